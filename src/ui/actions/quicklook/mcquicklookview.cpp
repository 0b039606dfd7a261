#include "mcquicklookview.h"

#include <QKeyEvent>

MCQuickLookView::MCQuickLookView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("mainView"));
    setFocusPolicy(Qt::StrongFocus);
}

void MCQuickLookView::keyPressEvent(QKeyEvent *event)
{
    const bool fullScreen = window()->isFullScreen();
    switch (event->key()) {
    case Qt::Key_Space:
        if (!fullScreen)
            emit closeRequested();
        return;
    case Qt::Key_Escape:
        if (fullScreen)
            window()->showNormal();
        else
            emit closeRequested();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        emit arrowKeyPressed(event->key(), event->modifiers());
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
