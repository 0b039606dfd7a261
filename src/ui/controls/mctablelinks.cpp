#include "mctablelinks.h"

#include "mcmousedowntextfield.h"
#include "mcsharelinkcell.h"

#include <QMouseEvent>

MCTableLinks::MCTableLinks(QWidget *parent)
    : QTableView(parent)
{}

void MCTableLinks::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid()) {
        auto *cell = qobject_cast<MCShareLinkCell *>(indexWidget(index));
        MCMouseDownTextField *field = cell ? cell->hyperlinkTextField() : nullptr;
        if (field && field->isVisible() &&
            field->rect().contains(field->mapFrom(viewport(), event->pos()))) {
            event->accept();
            emit mouseDownTextFieldClicked(field);
            return;
        }
    }
    QTableView::mousePressEvent(event);
}
