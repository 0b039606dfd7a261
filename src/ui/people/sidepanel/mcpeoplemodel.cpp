#include "mcpeoplemodel.h"

#include "mccontact.h"
#include "mcimages.h"
#include "mcstring.h"

#include <QIcon>

MCPeopleModel::MCPeopleModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

QList<MCContact *> MCPeopleModel::people() const
{
    QList<MCContact *> people;
    for (const QPointer<MCContact> &contact : m_people) {
        if (contact)
            people.append(contact);
    }
    return people;
}

void MCPeopleModel::setPeople(const QList<MCContact *> &people)
{
    beginResetModel();
    for (const QPointer<MCContact> &contact : qAsConst(m_people)) {
        if (contact)
            contact->disconnect(this);
    }
    m_people.clear();
    for (MCContact *contact : people) {
        m_people.append(contact);
        connect(contact, &MCContact::userAccountChanged, this, &MCPeopleModel::contactChanged);
        connect(contact, &MCContact::avatarChanged, this, &MCPeopleModel::contactChanged);
    }
    endResetModel();
}

void MCPeopleModel::contactChanged()
{
    const int row = m_people.indexOf(qobject_cast<MCContact *>(sender()));
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

MCContact *MCPeopleModel::contact(int row) const
{
    return row >= 0 && row < m_people.size() ? m_people.at(row).data() : nullptr;
}

int MCPeopleModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_people.size();
}

int MCPeopleModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MCPeopleModel::data(const QModelIndex &index, int role) const
{
    const MCContact *person = index.isValid() ? contact(index.row()) : nullptr;
    if (!person)
        return QVariant();
    if (role == EmailRole)
        return person->email();
    if (index.column() == Status) {
        if (role == Qt::DecorationRole)
            return QIcon(MCImages::named(person->onlineStatus() != 0 ? QStringLiteral("green")
                                                                     : QStringLiteral("gray")));
        if (role == Qt::ToolTipRole)
            return person->onlineStatus() != 0 ? tr("Online") : tr("Offline");
        return QVariant();
    }
    switch (role) {
    case Qt::DisplayRole:
        return MCString::stringForName(person->fullName());
    case Qt::ToolTipRole:
        // The whole name, which the row may cut, above the address.
        return MCString::stringForToolTip(person->fullName()) + QLatin1Char('\n') +
               MCString::stringForToolTip(person->email());
    case Qt::DecorationRole:
        if (!person->avatar().isNull())
            return QIcon(person->avatar());
        return QVariant();
    default:
        return QVariant();
    }
}
