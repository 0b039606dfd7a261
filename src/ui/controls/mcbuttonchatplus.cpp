#include "mcbuttonchatplus.h"

MCButtonChatPlus::MCButtonChatPlus(QWidget *parent)
    : QToolButton(parent)
{
    // The tool button already pops its menu up under itself on a left press.
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setText(QStringLiteral("+"));
}
