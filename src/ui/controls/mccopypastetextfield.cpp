#include "mccopypastetextfield.h"

#include <QKeyEvent>
#include <QMetaObject>

namespace {

// The editing command of an exactly-Control key, or null.
const char *commandForKey(const QKeyEvent *event)
{
    if (event->modifiers() != Qt::ControlModifier)
        return nullptr;
    switch (event->key()) {
    case Qt::Key_X:
        return "cut()";
    case Qt::Key_C:
        return "copy()";
    case Qt::Key_V:
        return "paste()";
    case Qt::Key_A:
        return "selectAll()";
    default:
        return nullptr;
    }
}

} // namespace

MCCopyPasteTextField::MCCopyPasteTextField(QWidget *parent)
    : QLineEdit(parent)
{}

bool MCCopyPasteTextField::performKeyEquivalent(QKeyEvent *event)
{
    const char *command = commandForKey(event);
    if (!command)
        return false;
    QWidget *first = window()->focusWidget() ? window()->focusWidget() : this;
    const bool changesText = qstrcmp(command, "cut()") == 0 || qstrcmp(command, "paste()") == 0;
    // The command goes up from the focused widget to the first that answers it.
    for (QWidget *target = first; target; target = target->parentWidget()) {
        const QMetaObject *meta = target->metaObject();
        if (meta->indexOfMethod(command) < 0)
            continue;
        // Cutting from a read-only text would still remove it: the command is taken, as
        // done, and nothing changes.
        if (changesText && target->property("readOnly").toBool())
            return true;
        const QByteArray name(command, int(qstrlen(command)) - 2);
        return QMetaObject::invokeMethod(target, name.constData());
    }
    return false;
}

bool MCCopyPasteTextField::event(QEvent *event)
{
    // The four keys are the field's before any window shortcut (the Edit menu's Copy).
    if (event->type() == QEvent::ShortcutOverride &&
        commandForKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void MCCopyPasteTextField::keyPressEvent(QKeyEvent *event)
{
    if (performKeyEquivalent(event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
