#include "mcchatfilesmodel.h"

#include "mcchatcollaborationentry.h"
#include "mcimages.h"
#include "mcsocialentity.h"
#include "mcstring.h"
#include "mostorageobject.h"
#include "mouseraccount.h"

#include <QFileInfo>
#include <QIcon>

namespace {

QString personName(const MOUserAccount &account)
{
    const QString name =
        QStringList{account.firstName(), account.lastName()}.join(QLatin1Char(' ')).trimmed();
    return name.isEmpty() ? account.email() : name;
}

} // namespace

MCChatFilesModel::MCChatFilesModel(const QString &ownEmail, QObject *parent)
    : QAbstractTableModel(parent)
    , m_ownEmail(ownEmail)
{}

void MCChatFilesModel::setEntity(MCSocialEntity *entity)
{
    if (m_entity)
        m_entity->disconnect(this);
    m_entity = entity;
    if (entity)
        connect(entity, &MCSocialEntity::collaborationsChanged, this,
                &MCChatFilesModel::collaborationsChanged);
    collaborationsChanged();
}

void MCChatFilesModel::collaborationsChanged()
{
    beginResetModel();
    m_rows = m_entity ? m_entity->collaborations() : QList<MOCollaboration>();
    endResetModel();
}

MOCollaboration MCChatFilesModel::collaboration(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : MOCollaboration();
}

QString MCChatFilesModel::resourcePath(const MOCollaboration &collaboration)
{
    const QVariant resource = collaboration.resource();
    if (resource.canConvert<MOStorageObject>())
        return resource.value<MOStorageObject>().fullPath();
    return resource.toString();
}

bool MCChatFilesModel::isPending(const MOCollaboration &collaboration) const
{
    return !itsMe(collaboration) && !collaboration.accepted() && !collaboration.rejected() &&
           !collaboration.revoked();
}

bool MCChatFilesModel::itsMe(const MOCollaboration &collaboration) const
{
    return !m_ownEmail.isEmpty() &&
           collaboration.sender().email().compare(m_ownEmail, Qt::CaseInsensitive) == 0;
}

int MCChatFilesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int MCChatFilesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MCChatFilesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const MOCollaboration &file = m_rows.at(index.row());
    switch (role) {
    case ItsMeRole:
        return itsMe(file);
    case PendingRole:
        return isPending(file);
    case RevokedRole:
        return file.revoked();
    case RejectedRole:
        return file.rejected();
    case DateRole:
        return file.createdAt();
    case PathRole:
        return resourcePath(file);
    default:
        break;
    }
    switch (index.column()) {
    case Name:
        if (role == Qt::DisplayRole)
            return MCString::stringForName(QFileInfo(resourcePath(file)).fileName());
        if (role == Qt::ToolTipRole)
            return MCString::stringForToolTip(resourcePath(file));
        break;
    case Person:
        if (role == Qt::DisplayRole)
            return MCString::stringForName(
                personName(itsMe(file) ? file.recipient() : file.sender()));
        break;
    case Date:
        if (role == Qt::DisplayRole)
            return MCChatCollaborationEntry::convertStringToFullDate(file.createdAt());
        break;
    case Status:
        if (role == Qt::DecorationRole) {
            if (file.revoked())
                return QIcon(MCImages::named(QStringLiteral("revokedColored.png")));
            if (file.rejected())
                return QIcon(MCImages::named(QStringLiteral("rejected.png")));
            return QIcon(MCImages::named(file.accepted() ? QStringLiteral("acceptedColored.png")
                                                         : QStringLiteral("waitingColored.png")));
        }
        break;
    default:
        break;
    }
    return QVariant();
}

QVariant MCChatFilesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case Name:
        return tr("Name");
    case Person:
        return tr("With");
    case Date:
        return tr("Date");
    default:
        return QVariant();
    }
}
