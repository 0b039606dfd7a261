#ifndef MCWINDOWSTANDARDBUTTON_H
#define MCWINDOWSTANDARDBUTTON_H

#include "mcbutton.h"

// The sign-in window's close button: the bundled "loginEnabled.png" at rest and
// "loginEnabledOn.png" under the pointer; unlike MCButton it keeps the hover image after a
// click.
class MCWindowStandardButton : public MCButton
{
    Q_OBJECT
public:
    explicit MCWindowStandardButton(QWidget *parent = nullptr);

protected:
    QPixmap imageAfterClick() const override { return imageIn(); }
};

#endif // MCWINDOWSTANDARDBUTTON_H
