#include "mciconkeyhandler.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace {

enum class Command { None, Rename, Open };

Command commandFor(const QKeyEvent *key)
{
    const Qt::KeyboardModifiers modifiers =
        key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        return modifiers == Qt::NoModifier ? Command::Rename : Command::None;
    case Qt::Key_O:
    case Qt::Key_Down:
        return modifiers == Qt::ControlModifier ? Command::Open : Command::None;
    default:
        return Command::None;
    }
}

} // namespace

MCIconKeyHandler::MCIconKeyHandler(QAbstractItemView *view)
    : QObject(view)
{
    view->installEventFilter(this);
}

bool MCIconKeyHandler::eventFilter(QObject *object, QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(object, event);
    auto *view = static_cast<QAbstractItemView *>(parent());
    const Command command = commandFor(static_cast<QKeyEvent *>(event));
    // Keys typed into a name editor go to the editor, never to the view.
    if (object != view || command == Command::None)
        return QObject::eventFilter(object, event);
    // Taken here rather than by a window shortcut of the same keys.
    event->accept();
    if (event->type() == QEvent::ShortcutOverride)
        return true;
    if (command == Command::Rename)
        emit renameRequested();
    else
        emit openRequested();
    return true;
}
