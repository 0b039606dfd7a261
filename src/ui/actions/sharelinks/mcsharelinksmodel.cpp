#include "mcsharelinksmodel.h"

#include "mcremotepath.h"
#include "mcstring.h"
#include "mcworkspace.h"

#include <QBrush>
#include <QCollator>
#include <QCollatorSortKey>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QPalette>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

QString fileName(const MOShareLink &link)
{
    return MCRemotePath::lastComponent(link.filePath());
}

QString mediumDate(const QDateTime &date)
{
    return date.isValid()
               ? QLocale().toString(date.toLocalTime().date(), QStringLiteral("d MMM yyyy"))
               : QString();
}

QString mediumTime(const QDateTime &date)
{
    if (!date.isValid())
        return QString();
    QString format = QLocale().timeFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("ss")))
        format.replace(QLatin1String("mm"), QLatin1String("mm:ss"));
    return QLocale().toString(date.toLocalTime().time(), format);
}

} // namespace

MCShareLinksModel::MCShareLinksModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

QDateTime MCShareLinksModel::linkExpiresAt(const QDateTime &createdAt, qint64 expiresIn)
{
    return createdAt.isValid() ? createdAt.addSecs(expiresIn * 3600) : QDateTime();
}

bool MCShareLinksModel::isLinkExpired(const QDateTime &createdAt, qint64 expiresIn,
                                      const QDateTime &now)
{
    const QDateTime expiry = linkExpiresAt(createdAt, expiresIn);
    return expiry.isValid() && expiry <= now;
}

QString MCShareLinksModel::pathLine(const MOShareLink &link, bool expired)
{
    const QString folder = MCRemotePath::parentOf(link.filePath());
    const QString path = tr("%1: %2").arg(tr("Path"), MCString::stringByIsolatingName(folder));
    if (link.revokedAt().isValid())
        return tr("%1 - %2").arg(tr("Revoked"), path);
    if (expired)
        return tr("%1 - %2").arg(tr("Expired"), path);
    return path;
}

QDateTime MCShareLinksModel::now() const
{
    return m_now ? m_now() : QDateTime::currentDateTimeUtc();
}

int MCShareLinksModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_links.size();
}

int MCShareLinksModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool MCShareLinksModel::isExpired(int row) const
{
    const MOShareLink &link = m_links.at(row);
    return isLinkExpired(link.createdAt(), link.expiresIn(), now());
}

bool MCShareLinksModel::isInactive(int row) const
{
    return m_links.at(row).revokedAt().isValid() || isExpired(row);
}

QVariant MCShareLinksModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_links.size())
        return QVariant();
    const MOShareLink &link = m_links.at(index.row());
    const int column = index.column();
    switch (role) {
    case InactiveRole:
        return isInactive(index.row());
    case RevokedRole:
        return link.revokedAt().isValid();
    case ExpiredRole:
        return isExpired(index.row());
    case PublicUriRole:
        return link.publicUri();
    case FilePathRole:
        return link.filePath();
    case Qt::ForegroundRole:
        if (column == CreatedAtColumn || column == ExpiresAtColumn || column == VisitCountColumn)
            return isInactive(index.row())
                       ? QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text)
                       : QBrush(Qt::black);
        return QVariant();
    case Qt::DecorationRole:
        if (column == FilenameColumn)
            return MCWorkspace::iconForFileType(QFileInfo(fileName(link)).suffix());
        return QVariant();
    case Qt::ToolTipRole:
        return column == FilenameColumn
                   ? MCString::stringForToolTip(pathLine(link, isExpired(index.row())))
                   : QVariant();
    case Qt::TextAlignmentRole:
        // Under its title, as the other text columns.
        return column == VisitCountColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant();
    case Qt::DisplayRole:
    case SecondLineRole: {
        const bool second = role == SecondLineRole;
        switch (column) {
        case FilenameColumn:
            return second ? pathLine(link, isExpired(index.row())) : fileName(link);
        case CreatedAtColumn:
            return second ? mediumTime(link.createdAt()) : mediumDate(link.createdAt());
        case ExpiresAtColumn: {
            const QDateTime expiry = linkExpiresAt(link.createdAt(), link.expiresIn());
            return second ? mediumTime(expiry) : mediumDate(expiry);
        }
        case VisitCountColumn:
            return second ? QVariant() : QVariant(QString::number(link.visitCount()));
        default:
            return QVariant();
        }
    }
    default:
        return QVariant();
    }
}

QVariant MCShareLinksModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case FilenameColumn:
        return tr("File");
    case CreatedAtColumn:
        return tr("Created");
    case ExpiresAtColumn:
        return tr("Expires");
    case VisitCountColumn:
        return tr("Visits");
    default:
        return QString();
    }
}

void MCShareLinksModel::setLinks(const QList<MOShareLink> &links)
{
    beginResetModel();
    m_links = links;
    endResetModel();
}

bool MCShareLinksModel::applyRevocation(const MOShareLink &revoked)
{
    for (int row = 0; row < m_links.size(); ++row) {
        if (m_links.at(row).token() != revoked.token())
            continue;
        m_links[row].setRevokedAt(revoked.revokedAt());
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
        return true;
    }
    return false;
}

bool MCShareLinksModel::orderByColumn(int column, Qt::SortOrder order)
{
    if (column < FilenameColumn || column > VisitCountColumn)
        return false;
    // Each row's key once per sort; names by a collation key, compared as people read them,
    // equal-looking names by their text.
    struct Row
    {
        MOShareLink link;
        QString name;
        std::optional<QCollatorSortKey> nameKey;
        QDateTime date;
    };
    std::vector<Row> rows;
    rows.reserve(size_t(m_links.size()));
    const QCollator collator = MCString::naturalCollator();
    for (const MOShareLink &link : qAsConst(m_links)) {
        Row row{link, QString(), std::nullopt, QDateTime()};
        if (column == FilenameColumn) {
            row.name = fileName(link);
            row.nameKey.emplace(collator.sortKey(row.name));
        } else if (column == CreatedAtColumn) {
            row.date = link.createdAt();
        } else if (column == ExpiresAtColumn) {
            row.date = linkExpiresAt(link.createdAt(), link.expiresIn());
        }
        rows.push_back(std::move(row));
    }
    const auto compare = [column](const Row &a, const Row &b) {
        switch (column) {
        case FilenameColumn: {
            const int natural = a.nameKey->compare(*b.nameKey);
            return natural != 0 ? natural : a.name.compare(b.name);
        }
        case VisitCountColumn:
            return a.link.visitCount() < b.link.visitCount()
                       ? -1
                       : int(a.link.visitCount() > b.link.visitCount());
        default:
            return a.date < b.date ? -1 : int(b.date < a.date);
        }
    };
    const bool descending = order == Qt::DescendingOrder;
    std::stable_sort(rows.begin(), rows.end(), [&](const Row &a, const Row &b) {
        const int result = compare(a, b);
        return descending ? result > 0 : result < 0;
    });
    beginResetModel();
    for (int i = 0; i < m_links.size(); ++i)
        m_links[i] = rows[size_t(i)].link;
    endResetModel();
    return true;
}
