#include "mcimagebrowserview.h"

#include "mcquicklookitemmodel.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

// The strip's look: items 0.4 of their 128-pixel images, 5 apart across and 10 down.
constexpr int ImageSide = 52;
const QColor SelectionColor = QColor::fromRgbF(1.0, 0.0, 0.5);

} // namespace

MCImageBrowserView::MCImageBrowserView(QWidget *parent)
    : QListView(parent)
{
    setObjectName(QStringLiteral("imageBrowser"));
    setViewMode(QListView::IconMode);
    setFlow(QListView::TopToBottom);
    setWrapping(false);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setSpacing(5);
    setIconSize(QSize(ImageSide, ImageSide));
    setItemDelegate(new MCImageBrowserCell(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFixedWidth(ImageSide + 2 * 10 + 16);
}

void MCImageBrowserView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape) {
        QListView::keyPressEvent(event);
        return;
    }
    QWidget *top = window();
    if (top->isFullScreen())
        top->showNormal();
    else
        emit closeRequested();
}

void MCImageBrowserCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect cell = option.rect.adjusted(2, 5, -2, -5);
    if (option.state & QStyle::State_Selected) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(SelectionColor);
        painter->drawRoundedRect(cell, 4, 4);
    }
    const QPixmap image = index.data(Qt::DecorationRole).value<QPixmap>();
    if (!image.isNull()) {
        const QSize size = image.size().scaled(cell.size() - QSize(8, 8), Qt::KeepAspectRatio);
        QRect target(QPoint(), size);
        target.moveCenter(cell.center());
        if (index.data(MCQuickLookItemModel::ShadowOnRole).toBool()) {
            painter->fillRect(target.translated(2, 2), QColor(0, 0, 0, 60));
            painter->drawPixmap(target, image);
            painter->setPen(QColor(0, 0, 0, 90));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(target.adjusted(0, 0, -1, -1));
        } else {
            painter->drawPixmap(target, image);
        }
    }
    painter->restore();
}

QSize MCImageBrowserCell::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(ImageSide + 10, ImageSide + 20);
}
