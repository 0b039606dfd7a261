#include "mclistnamedelegate.h"

#include "mcimagetextcell.h"
#include "mcnodetreemodel.h"

#include <QPainter>

MCListNameDelegate::MCListNameDelegate(QObject *parent)
    : MCNameEditingDelegate(parent)
{}

void MCListNameDelegate::initStyleOption(QStyleOptionViewItem *option,
                                         const QModelIndex &index) const
{
    MCNameEditingDelegate::initStyleOption(option, index);
    // Names are shown as they are, on one line, cut in the middle.
    option->textElideMode = Qt::ElideMiddle;
    if (index.data(MCNodeTreeModel::BusyRole).toBool())
        option->state &= ~QStyle::State_Enabled;
}

void MCListNameDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    MCImageTextCell::paintCell(painter, opt);
    const QPixmap badge = badgeFor(index);
    if (badge.isNull() || opt.icon.isNull())
        return;
    const QRect icon = MCImageTextCell::imageRectForBounds(opt.rect, true);
    const int side = qMax(8, icon.height() * 11 / 16);
    painter->drawPixmap(QRect(icon.right() - side + 3, icon.bottom() - side + 1, side, side),
                        badge);
}

QPixmap MCListNameDelegate::badgeFor(const QModelIndex &index) const
{
    if (!m_columnBadges)
        return index.data(MCNodeTreeModel::BadgeRole).value<QPixmap>();
    const MCNodePtr node = index.data(MCNodeTreeModel::NodeRole).value<MCNodePtr>();
    if (!node)
        return QPixmap();
    static const struct
    {
        quint64 bit;
        QString name;
    } order[] = {
        {MCAbstractObjectNode::Downloading, QStringLiteral("badge_download.png")},
        {MCAbstractObjectNode::Uploading, QStringLiteral("badge_upload.png")},
        {MCAbstractObjectNode::Syncing, QStringLiteral("badge_sync.png")},
        {MCAbstractObjectNode::Cached, QStringLiteral("badge_cached.png")},
    };
    for (const auto &entry : order) {
        if (node->states() & entry.bit)
            return MCAbstractObjectNode::badgeImage(entry.name);
    }
    return QPixmap();
}

void MCListNameDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                              const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QRect title = MCImageTextCell::titleRectForBounds(opt.rect, !opt.icon.isNull());
    editor->setGeometry(title.adjusted(MCImageTextCell::ImageInset, 0, 0, -2));
}
