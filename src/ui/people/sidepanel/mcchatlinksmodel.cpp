#include "mcchatlinksmodel.h"

#include "mcchatshowntext.h"
#include "mcdatetext.h"
#include "mcsocialentity.h"
#include "mcstring.h"
#include "mouseraccount.h"

#include <algorithm>

namespace {

QString senderName(const MOUserAccount &sender)
{
    const QString name =
        QStringList{sender.firstName(), sender.lastName()}.join(QLatin1Char(' ')).trimmed();
    return MCString::stringByBoundingName(name.isEmpty() ? sender.email() : name);
}

} // namespace

MCChatLinksModel::MCChatLinksModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

void MCChatLinksModel::setEntity(MCSocialEntity *entity)
{
    if (m_entity)
        m_entity->disconnect(this);
    m_entity = entity;
    if (entity)
        connect(entity, &MCSocialEntity::conversationChanged, this,
                &MCChatLinksModel::conversationChanged);
    conversationChanged();
}

void MCChatLinksModel::conversationChanged()
{
    QList<MCChatLink> links;
    if (m_entity) {
        QList<MOMessage> messages = m_entity->writtenMessages();
        // Messages of one second in the order the service stored them.
        std::stable_sort(messages.begin(), messages.end(),
                         [](const MOMessage &a, const MOMessage &b) {
                             return a.sentAt() != b.sentAt() ? a.sentAt() < b.sentAt()
                                                             : a.messageId() < b.messageId();
                         });
        // Newest messages first, so that the cap keeps the latest links.
        for (auto message = messages.crbegin();
             message != messages.crend() && links.size() < maximumRows; ++message) {
            // Links are looked for where a row shows the text: another user's megabyte is
            // not searched again whenever a message comes.
            const QList<QUrl> found = MCChatLink::linksInText(
                message->body().left(MCChatShownText::MaxChars + MCChatLink::maximumLength));
            for (auto url = found.crbegin(); url != found.crend() && links.size() < maximumRows;
                 ++url)
                links.prepend({*url, senderName(message->sender()), message->sentAt()});
        }
    }
    beginResetModel();
    m_links = links;
    endResetModel();
}

int MCChatLinksModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_links.size();
}

int MCChatLinksModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString MCChatLinksModel::linkText(const QUrl &url)
{
    return MCString::stringForName(url.toDisplayString());
}

QVariant MCChatLinksModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_links.size())
        return QVariant();
    const MCChatLink &link = m_links.at(index.row());
    if (role == UrlRole)
        return link.hyperLink;
    if (role == SentAtRole)
        return link.sentAt;
    if (role == Qt::ToolTipRole)
        return MCString::stringForToolTip(index.column() == Contact
                                              ? link.contactName
                                              : link.hyperLink.toString(QUrl::FullyEncoded));
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case Link:
        return linkText(link.hyperLink);
    case Contact:
        return MCString::stringForName(link.contactName);
    case Date:
        return MCDateText::text(link.sentAt, MCDateText::Short, MCDateText::Short);
    default:
        return QVariant();
    }
}

QVariant MCChatLinksModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case Link:
        return tr("Link");
    case Contact:
        return tr("From");
    case Date:
        return tr("Date");
    default:
        return QVariant();
    }
}
