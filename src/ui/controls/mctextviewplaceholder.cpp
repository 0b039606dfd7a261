#include "mctextviewplaceholder.h"

#include <QCoreApplication>
#include <QPainter>

MCTextViewPlaceholder::MCTextViewPlaceholder(QWidget *parent)
    : QTextEdit(parent)
{
    setAcceptRichText(false);
}

QString MCTextViewPlaceholder::placeholder()
{
    return QCoreApplication::translate("MCTextViewPlaceholder", "Message");
}

bool MCTextViewPlaceholder::isShowingPlaceholder() const
{
    return document()->isEmpty() && !hasFocus();
}

void MCTextViewPlaceholder::paintEvent(QPaintEvent *event)
{
    QTextEdit::paintEvent(event);
    if (!isShowingPlaceholder())
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    const qreal margin = document()->documentMargin();
    painter.drawText(QRectF(viewport()->rect()).adjusted(margin, margin, -margin, -margin),
                     Qt::AlignLeft | Qt::AlignTop, placeholder());
}

void MCTextViewPlaceholder::focusInEvent(QFocusEvent *event)
{
    QTextEdit::focusInEvent(event);
    viewport()->update();
}

void MCTextViewPlaceholder::focusOutEvent(QFocusEvent *event)
{
    QTextEdit::focusOutEvent(event);
    viewport()->update();
}
