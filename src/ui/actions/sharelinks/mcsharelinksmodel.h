#ifndef MCSHARELINKSMODEL_H
#define MCSHARELINKSMODEL_H

#include "mosharelink.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>

#include <functional>

// The rows of the share-links page: one link per row in display order, with the texts each
// column shows. A link is inactive when it was revoked or has expired; inactive rows read
// grey. Main thread only.
class MCShareLinksModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        FilenameColumn,
        CreatedAtColumn,
        ExpiresAtColumn,
        VisitCountColumn,
        ActionsColumn,
        ColumnCount
    };
    enum Role {
        InactiveRole = Qt::UserRole + 1, // bool
        RevokedRole,                     // bool
        ExpiredRole,                     // bool
        SecondLineRole,                  // the name's path line; the time of a date column
        PublicUriRole,
        FilePathRole,
    };

    explicit MCShareLinksModel(QObject *parent = nullptr);

    // createdAt plus expiresIn hours; null when the link has no creation date.
    static QDateTime linkExpiresAt(const QDateTime &createdAt, qint64 expiresIn);
    // Expired once its expiry date is not later than now; a link without a creation date never
    // expires.
    static bool isLinkExpired(const QDateTime &createdAt, qint64 expiresIn, const QDateTime &now);
    // "Path: /Documents", "Revoked - Path: /Documents", "Expired - Path: /Documents", the
    // folder isolated.
    static QString pathLine(const MOShareLink &link, bool expired);

    // What "now" is, for the expiry of every row (the system clock unless set).
    void setNow(const std::function<QDateTime()> &now) { m_now = now; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Replaces every row, in the order given.
    void setLinks(const QList<MOShareLink> &links);
    const QList<MOShareLink> &links() const { return m_links; }
    MOShareLink linkAt(int row) const { return m_links.value(row); }
    bool isInactive(int row) const;
    bool isExpired(int row) const;
    // The first row with the link's token takes over its revocation date; false when no row
    // has that token.
    bool applyRevocation(const MOShareLink &revoked);
    // Sorts the rows by the column (names naturally, dates, counts); false for a column that
    // does not sort (the actions).
    bool orderByColumn(int column, Qt::SortOrder order);

private:
    QDateTime now() const;

    QList<MOShareLink> m_links;
    std::function<QDateTime()> m_now;
};

#endif // MCSHARELINKSMODEL_H
