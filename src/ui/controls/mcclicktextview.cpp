#include "mcclicktextview.h"

#include "mclinks.h"

#include <QMouseEvent>

MCClickTextView::MCClickTextView(QWidget *parent)
    : QTextEdit(parent)
{}

void MCClickTextView::mousePressEvent(QMouseEvent *event)
{
    QTextEdit::mousePressEvent(event);
    const QString anchor = anchorAt(event->pos());
    if (anchor.isEmpty())
        return;
    const QUrl link(anchor);
    if (MCLinks::open(link))
        emit linkOpened(link);
}
