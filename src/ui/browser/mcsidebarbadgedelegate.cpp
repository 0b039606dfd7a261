#include "mcsidebarbadgedelegate.h"

#include "mciconfieldcell.h"
#include "mcsidebarmodel.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor Downloads(0x3c, 0x9a, 0x3c);
const QColor Uploads(0xc8, 0x3c, 0x32);
const QColor Unread(0x5a, 0x6e, 0x8c);

} // namespace

MCSidebarBadgeDelegate::MCSidebarBadgeDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
    , m_placeCell(new MCIconFieldCell(this))
    , m_personCell(new MCIconFieldCell(this))
{
    m_personCell->setBigIcon(true);
}

MCIconFieldCell *MCSidebarBadgeDelegate::cellFor(const QModelIndex &index) const
{
    const int kind = index.data(MCSidebarModel::KindRole).toInt();
    return kind == MCSidebarModel::Contact || kind == MCSidebarModel::Group ? m_personCell
                                                                            : m_placeCell;
}

QList<MCSidebarBadgeDelegate::Badge> MCSidebarBadgeDelegate::badges(const QVariant &counts)
{
    const QVariantList list = counts.toList();
    if (list.size() == 1) {
        const qint64 unread = list.at(0).toLongLong();
        return unread >= 1 ? QList<Badge>{{unread, Unread}} : QList<Badge>{};
    }
    if (list.size() != 2)
        return {};
    const qint64 downloads = list.at(0).toLongLong();
    const qint64 uploads = list.at(1).toLongLong();
    QList<Badge> shown;
    if (downloads >= 1)
        shown.append({downloads, Downloads});
    if (uploads >= 1)
        shown.append({uploads, Uploads});
    return shown;
}

void MCSidebarBadgeDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (index.data(MCSidebarModel::KindRole).toInt() == MCSidebarModel::GroupTitle) {
        opt.font.setBold(true);
        opt.font.setPointSizeF(opt.font.pointSizeF() * 0.85);
        opt.palette.setColor(QPalette::Text, opt.palette.color(QPalette::PlaceholderText));
    }
    const QList<Badge> shown = badges(index.data(MCSidebarModel::BadgeRole));
    // The badges take the right end; the title is elided before them.
    const QFontMetrics metrics(opt.font);
    const int height = metrics.height();
    QList<QRect> pills;
    int right = opt.rect.right() - 4;
    for (int i = shown.size() - 1; i >= 0; --i) {
        const int width = qMax(height, metrics.horizontalAdvance(QString::number(shown[i].count)) +
                                           height / 2 + 4);
        pills.prepend(QRect(right - width + 1, opt.rect.center().y() - height / 2, width, height));
        right -= width + 3;
    }
    if (!pills.isEmpty())
        opt.rect.setRight(pills.first().left() - 4);
    painter->save();
    // A name of stacked marks reaches far above and below its line: it stays in its row.
    painter->setClipRect(option.rect, Qt::IntersectClip);
    cellFor(index)->paint(painter, opt, index);
    painter->setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < shown.size(); ++i) {
        QPainterPath path;
        path.addRoundedRect(pills[i], height / 2.0, height / 2.0);
        painter->fillPath(path, shown[i].color);
        painter->setPen(Qt::white);
        painter->setFont(opt.font);
        painter->drawText(pills[i], Qt::AlignCenter, QString::number(shown[i].count));
    }
    painter->restore();
}

QSize MCSidebarBadgeDelegate::sizeHint(const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    // A person's row is taller, for the picture.
    const int kind = index.data(MCSidebarModel::KindRole).toInt();
    if (kind == MCSidebarModel::Contact || kind == MCSidebarModel::Group)
        size.setHeight(qMax(size.height(), 30));
    return size;
}
