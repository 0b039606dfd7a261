#ifndef MCCHECKBOX_H
#define MCCHECKBOX_H

#include <QCheckBox>

// A check box that does not toggle when pressed: the press goes on to the widget behind it
// (a table row, say), which decides what the click means and sets the state itself.
class MCCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

#endif // MCCHECKBOX_H
