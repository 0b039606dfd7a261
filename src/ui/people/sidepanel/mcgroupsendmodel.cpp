#include "mcgroupsendmodel.h"

#include "mcchatcollaborationentry.h"
#include "mcchatsupport.h"
#include "mccontact.h"
#include "mcgroup.h"
#include "mcimages.h"
#include "mcstring.h"

#include <QIcon>

namespace {

bool sameEmail(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

const QString Accepted = QStringLiteral("accepted");
const QString Rejected = QStringLiteral("rejected");

} // namespace

MCGroupSendModel::MCGroupSendModel(MCChatSupport &support, const QString &myEmail, QObject *parent)
    : QAbstractTableModel(parent)
    , m_support(support)
    , m_myEmail(myEmail)
{}

void MCGroupSendModel::setGroup(MCGroup *group)
{
    beginResetModel();
    m_group = group;
    m_elements.clear();
    if (group) {
        for (const MOUserAccount &account : group->rcptAccounts()) {
            if (!sameEmail(account.email(), m_myEmail))
                m_elements.append(account);
        }
    }
    endResetModel();
}

void MCGroupSendModel::setEntry(MCChatCollaborationEntry *entry)
{
    if (m_entry)
        m_entry->disconnect(this);
    m_entry = entry;
    if (entry)
        connect(entry, &MCChatCollaborationEntry::groupDictionaryChanged, this,
                &MCGroupSendModel::reload);
    reload();
}

void MCGroupSendModel::reload()
{
    if (!m_elements.isEmpty())
        emit dataChanged(index(0, 0), index(m_elements.size() - 1, ColumnCount - 1));
}

QVariantMap MCGroupSendModel::answerOf(const QString &email) const
{
    if (!m_entry)
        return QVariantMap();
    const QVariantMap members = m_entry->groupDictionary();
    // Addresses are compared as the service does, without regard to case.
    for (auto it = members.constBegin(); it != members.constEnd(); ++it) {
        if (sameEmail(it.key(), email))
            return it.value().toMap();
    }
    return QVariantMap();
}

int MCGroupSendModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_elements.size();
}

int MCGroupSendModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MCGroupSendModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case User:
        return QStringLiteral("user");
    case Status:
        return QStringLiteral("status");
    case Info:
        return QStringLiteral("info");
    default:
        return QVariant();
    }
}

QVariant MCGroupSendModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_elements.size())
        return QVariant();
    const QString email = m_elements.at(index.row()).email();
    if (role == EmailRole)
        return email;
    const QVariantMap answer = answerOf(email);
    // A member answers once: the first key is the answer.
    const QString key = answer.isEmpty() ? QString() : answer.firstKey();
    switch (index.column()) {
    case User: {
        const MCContact *contact = m_support.contactByEmail(email);
        if (!contact)
            return QVariant();
        if (role == Qt::DecorationRole && !contact->avatar().isNull())
            return QIcon(contact->avatar());
        if (role == Qt::ToolTipRole)
            return MCString::stringForToolTip(contact->fullName());
        return QVariant();
    }
    case Status: {
        if (role != Qt::DecorationRole && role != StatusImageRole)
            return QVariant();
        QString image = QStringLiteral("revokedColored.png");
        if (key.isEmpty())
            image = QStringLiteral("waitingColored.png");
        else if (key == Accepted)
            image = QStringLiteral("acceptedColored.png");
        else if (key == Rejected)
            image = QStringLiteral("rejected.png");
        if (role == StatusImageRole)
            return image;
        return QIcon(MCImages::named(image));
    }
    case Info: {
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return QVariant();
        const QString date =
            MCChatCollaborationEntry::convertStringToFullDate(answer.value(key).toDateTime());
        if (key.isEmpty())
            return tr("Waiting for user's response");
        if (key == Accepted)
            return tr("%1 %2").arg(tr("Accepted on"), date);
        if (key == Rejected)
            return tr("%1 %2").arg(tr("Rejected on"), date);
        return tr("Oops! The sender deleted/moved his file");
    }
    default:
        return QVariant();
    }
}
