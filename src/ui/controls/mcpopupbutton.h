#ifndef MCPOPUPBUTTON_H
#define MCPOPUPBUTTON_H

#include <QToolButton>

// The online-status pop-up: its menu holds "Online", a separator, "Away", "Do not disturb" and
// "Offline", each with its presence dot. Choosing a status is not offered yet, so a click does
// not open the menu.
class MCPopUpButton : public QToolButton
{
    Q_OBJECT
public:
    explicit MCPopUpButton(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

#endif // MCPOPUPBUTTON_H
