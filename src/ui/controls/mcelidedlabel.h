#ifndef MCELIDEDLABEL_H
#define MCELIDEDLABEL_H

#include <QLabel>

// One line of plain text cut with "..." to the width the label is given. Its size hints never
// grow with the text, so a long name from another user cannot widen the window that shows it;
// while the text is cut, the whole of it is the tooltip.
class MCElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit MCElidedLabel(QWidget *parent = nullptr, Qt::TextElideMode mode = Qt::ElideRight);

    // The whole text; text() answers what is shown.
    void setFullText(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void elide();

    QString m_fullText;
    Qt::TextElideMode m_mode;
};

#endif // MCELIDEDLABEL_H
