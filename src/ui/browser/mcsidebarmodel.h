#ifndef MCSIDEBARMODEL_H
#define MCSIDEBARMODEL_H

#include <QAbstractItemModel>
#include <QIcon>
#include <QPointer>
#include <QStringList>

class MCCounters;
class MCInbox;
class MCSocialEntity;

// A person or chat group under the sidebar's third group. title names its conversation page
// (what the hub's notBrowsablePath holds while it is shown); the rows sort by roomName.
struct MCSidebarSocialRow
{
    QString title;
    QString roomName;
    bool isGroup = false;
    QPointer<QObject> entity; // the social entity, when there is one

    bool operator==(const MCSidebarSocialRow &other) const;
};

// The sidebar's rows: three group titles, the places under the first two, and the contacts
// and groups under the third. Display is the row's plain title, Decoration its icon, PlaceRole
// what choosing it shows ("home", a page's pseudo-URL or a conversation's title), BadgeRole the
// counts its badge shows (downloads then uploads for Transfers, unread for Notifications and
// for a person or group).
// The counters are the hub's; a change repaints only the row that shows it.
class MCSidebarModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Role { PlaceRole = Qt::UserRole, BadgeRole, KindRole };
    enum Kind { GroupTitle, Place, Contact, Group };
    enum Section { Cloud, SocialPlaces, Recent };

    MCSidebarModel(MCCounters *counters, MCInbox *inbox, QObject *parent = nullptr);
    ~MCSidebarModel() override;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The row choosing which shows place; invalid when none does.
    QModelIndex indexForPlace(const QString &place) const;
    // The person or group of a row of the third group; null for any other row.
    const MCSidebarSocialRow *socialRow(const QModelIndex &index) const;
    // Inserts the rows not listed yet into the third group, kept sorted by room name
    // (case-sensitive); rows no longer given stay. True when something was added.
    bool addSocialRows(const QList<MCSidebarSocialRow> &rows);
    // The row of a contact or group: its title, by its room name.
    static MCSidebarSocialRow rowFor(MCSocialEntity *entity);

private:
    void counterChanged(const QString &place);
    void entityChanged(QObject *entity, int role);

    struct PlaceRow
    {
        QString title;
        QString place;
        QIcon icon;
    };
    MCCounters *m_counters;
    MCInbox *m_inbox;
    QList<PlaceRow> m_places[2];
    QList<MCSidebarSocialRow> m_social;
    QIcon m_contactIcon;
    QIcon m_groupIcon;
    // The places whose counters changed this turn, told once the turn is over.
    QStringList m_changedCounters;
};

#endif // MCSIDEBARMODEL_H
