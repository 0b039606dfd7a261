#ifndef MCHIPBOX_H
#define MCHIPBOX_H

#include <QFrame>

class QLabel;

// A tab of the chat side panel: a label over a coloured mark. The mark is grey at rest,
// light orange under the pointer, and orange with a bold label when the tab is selected.
// A click reports menuClicked.
class MCHipBox : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(bool selected READ isSelected WRITE setSelected)
public:
    explicit MCHipBox(const QString &title = QString(), QWidget *parent = nullptr);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    QLabel *label() const { return m_label; }
    QFrame *boxSelection() const { return m_boxSelection; }
    QColor selectionColor() const;

signals:
    void menuClicked(MCHipBox *box);

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void fill(const QColor &color);

    QLabel *m_label;
    QFrame *m_boxSelection;
    bool m_selected = false;
};

#endif // MCHIPBOX_H
