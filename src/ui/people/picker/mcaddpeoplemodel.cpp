#include "mcaddpeoplemodel.h"

#include "mccontact.h"
#include "mcimages.h"
#include "mcpeople.h"
#include "mcstring.h"

#include <QIcon>

#include <algorithm>

MCAddPeopleModel::MCAddPeopleModel(MCPeople *people, QObject *parent)
    : QAbstractTableModel(parent)
    , m_people(people)
{
    connect(people, &MCPeople::contactsChanged, this, &MCAddPeopleModel::updateList);
    updateList();
}

void MCAddPeopleModel::updateList()
{
    beginResetModel();
    for (const QPointer<MCContact> &contact : qAsConst(m_contacts)) {
        if (contact)
            contact->disconnect(this);
    }
    m_contacts.clear();
    for (MCContact *contact : m_people->contacts()) {
        m_contacts.append(contact);
        connect(contact, &MCContact::userAccountChanged, this, &MCAddPeopleModel::contactChanged);
        connect(contact, &MCContact::avatarChanged, this, &MCAddPeopleModel::contactChanged);
    }
    endResetModel();
    const int before = m_selected.size();
    m_selected.erase(std::remove_if(m_selected.begin(), m_selected.end(),
                                    [this](const QPointer<MCContact> &contact) {
                                        return !contact || !m_contacts.contains(contact);
                                    }),
                     m_selected.end());
    if (m_selected.size() != before)
        emit selectedContactsChanged();
}

void MCAddPeopleModel::contactChanged()
{
    const int row = m_contacts.indexOf(qobject_cast<MCContact *>(sender()));
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int MCAddPeopleModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_contacts.size();
}

int MCAddPeopleModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

MCContact *MCAddPeopleModel::contact(int row) const
{
    return row >= 0 && row < m_contacts.size() ? m_contacts.at(row).data() : nullptr;
}

QVariant MCAddPeopleModel::data(const QModelIndex &index, int role) const
{
    const MCContact *person = index.isValid() ? contact(index.row()) : nullptr;
    if (!person)
        return QVariant();
    if (role == EmailRole)
        return person->email();
    if (role == FullNameRole)
        return person->fullName();
    switch (index.column()) {
    case Check:
        if (role == Qt::CheckStateRole)
            return isSelected(person) ? Qt::Checked : Qt::Unchecked;
        break;
    case Status:
        if (role == Qt::DecorationRole)
            return QIcon(MCImages::named(person->onlineStatus() != 0 ? QStringLiteral("green")
                                                                     : QStringLiteral("gray")));
        if (role == Qt::ToolTipRole)
            return person->onlineStatus() != 0 ? tr("Online") : tr("Offline");
        break;
    case People:
        if (role == Qt::DisplayRole)
            return MCString::stringForName(person->fullName());
        if (role == Qt::ToolTipRole)
            // The whole name, which the row may cut, above the address.
            return MCString::stringForToolTip(person->fullName()) + QLatin1Char('\n') +
                   MCString::stringForToolTip(person->email());
        if (role == Qt::DecorationRole && !person->avatar().isNull())
            return QIcon(person->avatar());
        break;
    default:
        break;
    }
    return QVariant();
}

QVariant MCAddPeopleModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    return section == People ? tr("Name") : QVariant();
}

Qt::ItemFlags MCAddPeopleModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == Check)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QList<MCContact *> MCAddPeopleModel::selectedContacts() const
{
    QList<MCContact *> contacts;
    for (const QPointer<MCContact> &contact : m_selected) {
        if (contact)
            contacts.append(contact);
    }
    return contacts;
}

bool MCAddPeopleModel::isSelected(const MCContact *contact) const
{
    return std::any_of(m_selected.begin(), m_selected.end(),
                       [contact](const QPointer<MCContact> &held) { return held == contact; });
}

void MCAddPeopleModel::toggle(int row)
{
    MCContact *person = contact(row);
    if (!person)
        return;
    const int held = m_selected.indexOf(person);
    if (held >= 0)
        m_selected.removeAt(held);
    else
        m_selected.append(person);
    emit selectedContactsChanged();
    emit dataChanged(index(row, Check), index(row, Check), {Qt::CheckStateRole});
}

void MCAddPeopleModel::clearSelection()
{
    if (m_selected.isEmpty())
        return;
    m_selected.clear();
    emit selectedContactsChanged();
    if (!m_contacts.isEmpty())
        emit dataChanged(index(0, Check), index(m_contacts.size() - 1, Check),
                         {Qt::CheckStateRole});
}
