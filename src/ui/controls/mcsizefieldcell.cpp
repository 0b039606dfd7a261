#include "mcsizefieldcell.h"

#include "mcleftidentationcell.h"

#include <QPainter>

MCSizeFieldCell::MCSizeFieldCell(QObject *parent)
    : QStyledItemDelegate(parent)
{
    m_formatter.setUseBaseTenUnits(true);
    m_formatter.setMaximumFractionDigits(2);
}

QString MCSizeFieldCell::displayText(const QVariant &value, const QLocale &locale) const
{
    if (value.type() != QVariant::Map)
        return QStyledItemDelegate::displayText(value, locale);
    const QVariantMap map = value.toMap();
    if (map.value(QStringLiteral("isDir")).toBool())
        return QStringLiteral("--");
    return m_formatter.stringFromNumber(map.value(QStringLiteral("fileSize")).toDouble());
}

void MCSizeFieldCell::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
}

void MCSizeFieldCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    // The row's selection reaches the column's edge; only the text keeps the margin.
    MCLeftIdentationCell::paintContentIn(this, painter, option, index,
                                         option.rect.adjusted(0, 0, -10, 0));
}
