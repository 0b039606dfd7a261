#include "mcpopupbutton.h"

#include "mcimages.h"

#include <QMenu>
#include <QMouseEvent>

MCPopUpButton::MCPopUpButton(QWidget *parent)
    : QToolButton(parent)
{
    auto *menu = new QMenu(this);
    const auto addStatus = [menu](const char *title, const char *image) {
        QAction *action = menu->addAction(tr(title));
        action->setIcon(QIcon(MCImages::named(QLatin1String(image))
                                  .scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    };
    addStatus("Online", "green");
    menu->addSeparator();
    addStatus("Away", "yellow");
    addStatus("Do not disturb", "red");
    addStatus("Offline", "gray");
    setMenu(menu);
    setPopupMode(QToolButton::InstantPopup);
    setIconSize(QSize(16, 16));
}

void MCPopUpButton::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}
