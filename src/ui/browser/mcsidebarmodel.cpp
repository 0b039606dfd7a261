#include "mcsidebarmodel.h"

#include "mccounters.h"
#include "mcgroup.h"
#include "mcinbox.h"
#include "mcstring.h"

#include <QApplication>
#include <QSet>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace {

const QString Transfers = QStringLiteral("transfers://");
const QString Notifications = QStringLiteral("messages://");

// A themed icon where the desktop has one, the style's own otherwise.
QIcon placeIcon(const char *themeName, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QLatin1String(themeName),
                            QApplication::style()->standardIcon(fallback));
}

} // namespace

bool MCSidebarSocialRow::operator==(const MCSidebarSocialRow &other) const
{
    if (entity || other.entity)
        return entity == other.entity;
    return isGroup == other.isGroup && title == other.title;
}

MCSidebarModel::MCSidebarModel(MCCounters *counters, MCInbox *inbox, QObject *parent)
    : QAbstractItemModel(parent)
    , m_counters(counters)
    , m_inbox(inbox)
{
    m_places[Cloud] = {
        {tr("Home"), QStringLiteral("home"), placeIcon("user-home", QStyle::SP_DirHomeIcon)},
        {tr("Transfers"), Transfers, placeIcon("network-transmit-receive", QStyle::SP_ArrowDown)},
        {tr("Account"), QStringLiteral("account://"),
         placeIcon("avatar-default", QStyle::SP_FileDialogInfoView)},
    };
    m_places[SocialPlaces] = {
        {tr("Contacts"), QStringLiteral("contacts://"),
         placeIcon("system-users", QStyle::SP_FileDialogDetailedView)},
        {tr("Share Links"), QStringLiteral("links://"),
         placeIcon("emblem-shared", QStyle::SP_FileLinkIcon)},
        {tr("Notifications"), Notifications,
         placeIcon("mail-unread", QStyle::SP_MessageBoxInformation)},
    };
    // Looked up once: every row of a person asks for one while the outline measures it.
    m_contactIcon = placeIcon("avatar-default", QStyle::SP_FileIcon);
    m_groupIcon = placeIcon("system-users", QStyle::SP_DirIcon);
    connect(counters, &MCCounters::currentUploadsCountChanged, this,
            [this] { counterChanged(Transfers); });
    connect(counters, &MCCounters::currentDownloadsCountChanged, this,
            [this] { counterChanged(Transfers); });
    connect(inbox, &MCInbox::unreadNotificationsChanged, this,
            [this] { counterChanged(Notifications); });
}

MCSidebarModel::~MCSidebarModel() = default;

// A group title's internal id is 0, a row's is its group plus one.
QModelIndex MCSidebarModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    return createIndex(row, column, parent.isValid() ? quintptr(parent.row() + 1) : 0);
}

QModelIndex MCSidebarModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int MCSidebarModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return 3;
    if (parent.internalId() != 0 || parent.column() != 0)
        return 0;
    return parent.row() == Recent ? m_social.size() : m_places[parent.row()].size();
}

int MCSidebarModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant MCSidebarModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (index.internalId() == 0) {
        static const char *const titles[] = {QT_TR_NOOP("CLOUD"), QT_TR_NOOP("SOCIAL"),
                                             QT_TR_NOOP("RECENT")};
        if (role == Qt::DisplayRole)
            return tr(titles[index.row()]);
        return role == KindRole ? QVariant(GroupTitle) : QVariant();
    }
    if (const MCSidebarSocialRow *person = socialRow(index)) {
        switch (role) {
        case Qt::DisplayRole:
            return MCString::stringForName(person->roomName.isEmpty() ? person->title
                                                                      : person->roomName);
        case Qt::ToolTipRole:
            return MCString::stringForToolTip(person->roomName.isEmpty() ? person->title
                                                                         : person->roomName);
        case Qt::DecorationRole: {
            // The person's picture once it is known; a group's or a person's icon until then.
            const auto *entity = qobject_cast<const MCSocialEntity *>(person->entity.data());
            if (entity && !entity->roomImage().isNull())
                return QIcon(entity->roomImage());
            return person->isGroup ? m_groupIcon : m_contactIcon;
        }
        case PlaceRole:
            return person->title;
        case KindRole:
            return person->isGroup ? Group : Contact;
        case BadgeRole: {
            // The unread messages and unanswered files of the conversation.
            const auto *entity = qobject_cast<const MCSocialEntity *>(person->entity.data());
            return entity ? QVariantList{entity->chatNotifications()} : QVariant();
        }
        default:
            return {};
        }
    }
    const PlaceRow &row = m_places[index.internalId() - 1].at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return row.title;
    case Qt::DecorationRole:
        return row.icon;
    case PlaceRole:
        return row.place;
    case KindRole:
        return Place;
    case BadgeRole:
        if (row.place == Transfers)
            return QVariantList{m_counters->currentDownloadsCount(),
                                m_counters->currentUploadsCount()};
        if (row.place == Notifications)
            return QVariantList{m_inbox->unreadNotifications()};
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags MCSidebarModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || index.internalId() == 0)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QModelIndex MCSidebarModel::indexForPlace(const QString &place) const
{
    if (place.isEmpty())
        return {};
    for (int section = Cloud; section <= SocialPlaces; ++section) {
        for (int row = 0; row < m_places[section].size(); ++row) {
            if (m_places[section].at(row).place == place)
                return createIndex(row, 0, quintptr(section + 1));
        }
    }
    for (int row = 0; row < m_social.size(); ++row) {
        if (m_social.at(row).title == place)
            return createIndex(row, 0, quintptr(Recent + 1));
    }
    return {};
}

const MCSidebarSocialRow *MCSidebarModel::socialRow(const QModelIndex &index) const
{
    if (!index.isValid() || index.internalId() != Recent + 1 || index.row() >= m_social.size())
        return nullptr;
    return &m_social.at(index.row());
}

MCSidebarSocialRow MCSidebarModel::rowFor(MCSocialEntity *entity)
{
    return {entity->title(), entity->roomName(), qobject_cast<MCGroup *>(entity) != nullptr,
            entity};
}

bool MCSidebarModel::addSocialRows(const QList<MCSidebarSocialRow> &rows)
{
    // Hundreds of people arrive at sign-in: membership by hash, not by scanning.
    QSet<const QObject *> entities;
    QSet<QString> titles;
    const auto remember = [&](const MCSidebarSocialRow &row) {
        if (row.entity)
            entities.insert(row.entity.data());
        else
            titles.insert(QString::number(row.isGroup) + row.title);
    };
    const auto known = [&](const MCSidebarSocialRow &row) {
        return row.entity ? entities.contains(row.entity.data())
                          : titles.contains(QString::number(row.isGroup) + row.title);
    };
    for (const MCSidebarSocialRow &row : qAsConst(m_social))
        remember(row);
    QList<MCSidebarSocialRow> added;
    for (const MCSidebarSocialRow &row : rows) {
        if (known(row))
            continue;
        remember(row);
        added.append(row);
    }
    if (added.isEmpty())
        return false;
    for (const MCSidebarSocialRow &row : qAsConst(added)) {
        auto *entity = qobject_cast<MCSocialEntity *>(row.entity.data());
        if (!entity)
            continue;
        // The badge and the picture repaint the person's row only.
        connect(entity, &MCSocialEntity::chatNotificationsChanged, this,
                [this, entity] { entityChanged(entity, BadgeRole); });
        connect(entity, &MCSocialEntity::roomImageChanged, this,
                [this, entity] { entityChanged(entity, Qt::DecorationRole); });
    }
    // The new rows go in at their places, after the rows of the same name: a reset would lay
    // the whole outline out again and open the groups the user closed.
    const auto sortsBefore = [](const MCSidebarSocialRow &a, const MCSidebarSocialRow &b) {
        return a.roomName < b.roomName;
    };
    std::stable_sort(added.begin(), added.end(), sortsBefore);
    const QModelIndex recent = index(Recent, 0);
    int at = 0;
    for (int first = 0; first < added.size();) {
        at = int(
            std::upper_bound(m_social.begin() + at, m_social.end(), added.at(first), sortsBefore) -
            m_social.begin());
        // The new rows that all go in before the same listed row, in one insertion.
        int end = first + 1;
        while (end < added.size() &&
               (at == m_social.size() || sortsBefore(added.at(end), m_social.at(at))))
            ++end;
        beginInsertRows(recent, at, at + end - first - 1);
        for (int row = first; row < end; ++row)
            m_social.insert(at + row - first, added.at(row));
        endInsertRows();
        at += end - first;
        first = end;
    }
    return true;
}

void MCSidebarModel::entityChanged(QObject *entity, int role)
{
    for (int row = 0; row < m_social.size(); ++row) {
        if (m_social.at(row).entity == entity) {
            const QModelIndex changed = createIndex(row, 0, quintptr(Recent + 1));
            emit dataChanged(changed, changed, {role});
            return;
        }
    }
}

void MCSidebarModel::counterChanged(const QString &place)
{
    // Once per turn: queueing thousands of transfers moves a counter thousands of times, and
    // the outline measures the row again at each change. The badge reads the counters then.
    if (m_changedCounters.isEmpty())
        QMetaObject::invokeMethod(
            this,
            [this] {
                for (const QString &changed : std::exchange(m_changedCounters, {})) {
                    const QModelIndex row = indexForPlace(changed);
                    emit dataChanged(row, row, {BadgeRole});
                }
            },
            Qt::QueuedConnection);
    if (!m_changedCounters.contains(place))
        m_changedCounters.append(place);
}
