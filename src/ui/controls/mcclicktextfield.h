#ifndef MCCLICKTEXTFIELD_H
#define MCCLICKTEXTFIELD_H

#include <QLabel>

// The status bar's information field. Every click advances showedInfo (0, 1, 2, 3, then 0
// again) so that the owner can cycle what the field shows; a click whose release lands exactly
// where the press did also reports mouseDownTextFieldClicked.
class MCClickTextField : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(qint64 showedInfo READ showedInfo NOTIFY showedInfoChanged)
public:
    explicit MCClickTextField(QWidget *parent = nullptr);

    qint64 showedInfo() const { return m_showedInfo; }

signals:
    void showedInfoChanged(qint64 showedInfo);
    void mouseDownTextFieldClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPoint m_mouseDownPoint = QPoint(1, 1);
    qint64 m_showedInfo = 0;
};

#endif // MCCLICKTEXTFIELD_H
