#include "mcsocialentitiesmodel.h"

#include "mccontact.h"
#include "mcgroup.h"
#include "mcpeople.h"
#include "mcsocialentity.h"
#include "mcstring.h"
#include "mcvaluetransformers.h"

#include <QIcon>
#include <QSet>

#include <algorithm>

MCSocialEntitiesModel::MCSocialEntitiesModel(MCPeople *people, Kind kind, QObject *parent)
    : QAbstractTableModel(parent)
    , m_people(people)
    , m_kind(kind)
{
    // Hundreds of answers handled in one turn of the event loop make one new list.
    m_update.setSingleShot(true);
    m_update.setInterval(0);
    connect(&m_update, &QTimer::timeout, this, &MCSocialEntitiesModel::updateList);
    connect(people, kind == Contacts ? &MCPeople::contactsChanged : &MCPeople::groupsChanged,
            &m_update, qOverload<>(&QTimer::start));
    updateList();
}

MCSocialEntity *MCSocialEntitiesModel::entity(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this || index.row() >= m_rows.size())
        return nullptr;
    return m_rows.at(index.row());
}

QString MCSocialEntitiesModel::sortName(const MCSocialEntity *entity)
{
    return entity ? entity->roomName() : QString();
}

int MCSocialEntitiesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int MCSocialEntitiesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : (m_kind == Contacts ? 2 : 1);
}

QVariant MCSocialEntitiesModel::data(const QModelIndex &index, int role) const
{
    MCSocialEntity *shown = entity(index);
    if (!shown)
        return {};
    if (role == EntityRole)
        return QVariant::fromValue<QObject *>(shown);
    if (index.column() == 1) {
        const auto *contact = qobject_cast<const MCContact *>(shown);
        if (role == Qt::DisplayRole && contact)
            return MCString::stringForName(contact->email());
        return {};
    }
    switch (role) {
    case StatusImageRole: {
        const auto *contact = qobject_cast<const MCContact *>(shown);
        return contact ? MCValueTransformers::statusImageName(contact->onlineStatus()) : QString();
    }
    case Qt::DisplayRole:
        return MCString::stringForName(sortName(shown));
    case Qt::ToolTipRole:
        return MCString::stringForToolTip(sortName(shown));
    case Qt::DecorationRole:
        if (!shown->roomImage().isNull())
            return QIcon(shown->roomImage());
        return QIcon::fromTheme(m_kind == Contacts ? QStringLiteral("avatar-default")
                                                   : QStringLiteral("system-users"));
    default:
        return {};
    }
}

QVariant MCSocialEntitiesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? tr("Name") : tr("E-mail");
}

void MCSocialEntitiesModel::updateList()
{
    QList<MCSocialEntity *> rows;
    if (m_kind == Contacts) {
        for (MCContact *contact : m_people->contacts())
            rows.append(contact);
    } else {
        for (MCGroup *group : m_people->groups())
            rows.append(group);
    }
    // Names are read once per row, not once per comparison.
    QList<QPair<QString, MCSocialEntity *>> keyed;
    keyed.reserve(rows.size());
    for (MCSocialEntity *row : qAsConst(rows))
        keyed.append({sortName(row), row});
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QSet<MCSocialEntity *> watched(m_rows.begin(), m_rows.end());
    beginResetModel();
    m_rows.clear();
    for (const auto &row : qAsConst(keyed)) {
        m_rows.append(row.second);
        if (watched.contains(row.second))
            continue;
        // A picture that arrives later, or a change of presence, repaints the row.
        connect(row.second, &MCSocialEntity::roomImageChanged, this,
                [this, entity = row.second] { entityChanged(entity, {Qt::DecorationRole}); });
        if (auto *contact = qobject_cast<MCContact *>(row.second))
            connect(contact, &MCContact::userAccountChanged, this,
                    [this, contact] { entityChanged(contact, {StatusImageRole}); });
    }
    endResetModel();
}

void MCSocialEntitiesModel::entityChanged(MCSocialEntity *entity, const QVector<int> &roles)
{
    const int row = m_rows.indexOf(entity);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, 0), roles);
}
