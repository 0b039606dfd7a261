#ifndef MCFAKEBUTTON_H
#define MCFAKEBUTTON_H

#include <QPushButton>

// A button that only looks like one: presses go to the widget that contains it.
class MCFakeButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

#endif // MCFAKEBUTTON_H
