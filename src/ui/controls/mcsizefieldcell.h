#ifndef MCSIZEFIELDCELL_H
#define MCSIZEFIELDCELL_H

#include "mcfilesizeformatter.h"

#include <QStyledItemDelegate>

// The size column's delegate. A cell whose display value is a map {"isDir", "fileSize"} shows
// "--" for a folder and the size in base-ten units with at most two fraction digits for a file;
// any other value is shown as the standard delegate shows it. Right-aligned with a 10-pixel
// right margin. One formatter serves every cell.
class MCSizeFieldCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit MCSizeFieldCell(QObject *parent = nullptr);

    QString displayText(const QVariant &value, const QLocale &locale) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    MCFileSizeFormatter m_formatter;
};

#endif // MCSIZEFIELDCELL_H
