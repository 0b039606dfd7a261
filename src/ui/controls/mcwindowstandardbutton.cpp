#include "mcwindowstandardbutton.h"

#include "mcimages.h"

MCWindowStandardButton::MCWindowStandardButton(QWidget *parent)
    : MCButton(parent)
{
    setImageIn(MCImages::named(QStringLiteral("loginEnabledOn.png")));
    setImageOut(MCImages::named(QStringLiteral("loginEnabled.png")));
    setCursor(Qt::ArrowCursor);
}
