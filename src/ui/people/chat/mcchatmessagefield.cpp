#include "mcchatmessagefield.h"

#include "mcemoji.h"

#include <QKeyEvent>

MCChatMessageField::MCChatMessageField(QWidget *parent)
    : QTextEdit(parent)
{
    setObjectName(QStringLiteral("textView"));
    setAcceptRichText(false);
    setPlaceholderText(tr("Message"));
    setTabChangesFocus(true);
    setCurrentCharFormat(MCEmoji::textFormat());
    document()->setDefaultFont(MCEmoji::textFormat().font());
}

void MCChatMessageField::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & Qt::ShiftModifier)) {
        emit returnPressed();
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

QSize MCChatMessageField::sizeHint() const
{
    return QSize(200, 48);
}
