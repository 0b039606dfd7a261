#ifndef MCLOGINWINDOWVIEW_H
#define MCLOGINWINDOWVIEW_H

#include "mcgradientbox.h"

// The sign-in window's background: the orange gradient over the whole window.
class MCLoginWindowView : public MCGradientBox
{
    Q_OBJECT
public:
    explicit MCLoginWindowView(QWidget *parent = nullptr);
};

#endif // MCLOGINWINDOWVIEW_H
