#include "mcsocialentity.h"

#include "mcchatenvironment.h"
#include "mcchatpage.h"
#include "mcchatrowsmodel.h"
#include "mcchatsupport.h"
#include "mcoptions.h"
#include "mcpeoplelog.h"

#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

const QString AutoAcceptFiles = QStringLiteral("AutoAcceptFiles");
const QString AutoSendFiles = QStringLiteral("AutoSendFiles");
const QString LastMessageDate = QStringLiteral("LastMessageDate");
const int HistoryPage = 100;
// The most messages the service gives in one page.
const int LargestPage = 1000;

// Stored as ISO text in UTC so that the settings file reads the same everywhere.
QString storedDate(const QDateTime &date)
{
    return date.toUTC().toString(Qt::ISODate);
}

QDateTime readDate(const QVariant &value)
{
    if (value.type() == QVariant::DateTime)
        return value.toDateTime();
    QDateTime date = QDateTime::fromString(value.toString(), Qt::ISODate);
    return date.isValid() ? date : MCChatDateEntry::distantPast();
}

} // namespace

MCSocialEntity::MCSocialEntity(QObject *parent)
    : QObject(parent)
    , m_rowsModel(new MCChatRowsModel(this))
    , m_dateLastMessage(MCChatDateEntry::distantPast())
{}

MCSocialEntity::~MCSocialEntity()
{
    delete m_chatWidget.data();
}

void MCSocialEntity::setRoomImage(const QPixmap &image)
{
    m_roomImage = image;
    emit roomImageChanged();
}

QString MCSocialEntity::myEmail() const
{
    return m_environment ? m_environment->signedInAccount().email() : QString();
}

void MCSocialEntity::setEnvironment(MCChatEnvironment *environment)
{
    m_environment = environment;
    createPListEntry();
}

QList<MOMessage> MCSocialEntity::writtenMessages() const
{
    QList<MOMessage> messages;
    for (const MCChatEntryPtr &entry : m_conversation) {
        if (entry->kind() == MCChatEntry::MessageRow)
            messages.append(static_cast<MCChatMessageEntry *>(entry.data())->message());
    }
    return messages;
}

void MCSocialEntity::append(const MCChatEntryPtr &entry)
{
    m_conversation.append(entry);
    m_unannounced.append(entry);
}

void MCSocialEntity::announce()
{
    if (m_unannounced.isEmpty())
        return;
    const QList<MCChatEntryPtr> added = m_unannounced;
    m_unannounced.clear();
    m_rowsModel->addEntries(added);
    emit entriesAdded(added);
    emit conversationChanged();
}

void MCSocialEntity::removeEntry(const MCChatEntryPtr &entry)
{
    if (!m_conversation.removeOne(entry))
        return;
    m_rowsModel->removeEntry(entry);
    emit entryRemoved(entry);
    emit conversationChanged();
}

void MCSocialEntity::createPListEntry()
{
    if (!m_environment || !m_environment->options())
        return;
    const QString key = title();
    // An entity without a title (a contact without an e-mail) has no entry: all of them would
    // share one.
    if (key.isEmpty())
        return;
    // The entry alone is written: a copy of the whole dictionary per entity made a sign-in with
    // a thousand contacts stall.
    MCOptions *options = m_environment->options();
    QVariantMap entry = options->value(MCOptions::MyContacts, key).toMap();
    if (!options->contains(MCOptions::MyContacts, key)) {
        entry.insert(AutoAcceptFiles, false);
        entry.insert(AutoSendFiles, false);
    }
    if (!entry.contains(LastMessageDate))
        entry.insert(LastMessageDate, storedDate(MCChatDateEntry::distantPast()));
    options->setValue(MCOptions::MyContacts, key, entry);
    m_dateLastMessage = readDate(entry.value(LastMessageDate));
}

void MCSocialEntity::saveDateLastMessage(const QDateTime &date)
{
    if (!date.isValid() || m_dateLastMessage > date)
        return;
    m_dateLastMessage = date;
    if (!m_environment || !m_environment->options() || title().isEmpty())
        return;
    MCOptions *options = m_environment->options();
    QVariantMap entry = options->value(MCOptions::MyContacts, title()).toMap();
    entry.insert(LastMessageDate, storedDate(date));
    options->setValue(MCOptions::MyContacts, title(), entry);
}

void MCSocialEntity::addDateRowEventually(const QDateTime &date)
{
    if (!m_environment || !date.isValid() ||
        !m_environment->chatSupport().dateRowToAdd(date, identifier()))
        return;
    const QDateTime local = date.toLocalTime();
    append(MCChatEntryPtr(new MCChatDateEntry(QDateTime(local.date(), QTime(0, 0)))));
}

void MCSocialEntity::addPendingMessage(const MOMessage &message)
{
    if (!m_environment)
        return;
    addDateRowEventually(message.sentAt());
    const QSharedPointer<MCChatMessageEntry> row = MCChatMessageEntry::pendingMessage(message);
    m_environment->chatSupport().addPendingChatEntry(row, identifier());
    append(row);
    announce();
}

bool MCSocialEntity::isPendingMessage(const MOMessage &message)
{
    MCChatSupport &support = m_environment->chatSupport();
    const MCChatMessageEntry probe(message, true);
    const QSharedPointer<MCChatMessageEntry> pending =
        support.pendingChatEntry(probe, identifier());
    if (!pending)
        return false;
    pending->setAccessoryStringAsDate(message.sentAt());
    support.removeChatEntry(probe, identifier());
    return true;
}

void MCSocialEntity::didFailSendingMessage(const MOMessage &message, const QString &reason)
{
    if (!m_environment)
        return;
    const MCChatMessageEntry probe(message, true);
    // The earliest row of that text and time still waiting, not one already marked.
    for (const MCChatEntryPtr &entry : qAsConst(m_conversation)) {
        if (entry->kind() != MCChatEntry::MessageRow)
            continue;
        auto *row = static_cast<MCChatMessageEntry *>(entry.data());
        if (row->itsMe() && !row->sendFailed() && row->isEqual(probe) &&
            m_environment->chatSupport().pendingChatEntry(probe, identifier())) {
            qCDebug(lcPeople) << "A message to" << identifier() << "was not sent";
            row->setSendFailed(true, reason);
            return;
        }
    }
}

void MCSocialEntity::sendMessageAgain(const MCChatEntryPtr &entry)
{
    if (!m_environment || !entry || entry->kind() != MCChatEntry::MessageRow)
        return;
    auto *row = static_cast<MCChatMessageEntry *>(entry.data());
    if (!row->sendFailed())
        return;
    row->setSendFailed(false);
    m_environment->sendMessage(row->message(), this);
}

void MCSocialEntity::removeUnsentMessage(const MCChatEntryPtr &entry)
{
    if (!m_environment || !entry || entry->kind() != MCChatEntry::MessageRow)
        return;
    auto *row = static_cast<MCChatMessageEntry *>(entry.data());
    if (!row->sendFailed())
        return;
    m_environment->chatSupport().removeChatEntry(*row, identifier());
    // Later, so that the row's own menu is not destroyed under its click.
    QTimer::singleShot(0, this, [this, entry] { removeEntry(entry); });
}

void MCSocialEntity::addWrittenMessages(const QList<MOMessage> &messages)
{
    if (!m_environment)
        return;
    MCChatSupport &support = m_environment->chatSupport();
    const QString me = myEmail();
    bool pendingRows = support.pendingChatEntriesForChatRoom(identifier());
    bool scroll = false;
    QList<MOMessage> counted;
    for (const MOMessage &message : messages) {
        // A history page and a news poll may both bring the same message.
        if (message.messageId() != 0 && m_messageIds.contains(message.messageId()))
            continue;
        m_messageIds.insert(message.messageId());
        addDateRowEventually(message.sentAt());
        const QString sender = message.sender().email();
        const bool own = !sender.isEmpty() && sender.compare(me, Qt::CaseInsensitive) == 0;
        const MCChatEntryPtr row(new MCChatMessageEntry(message, own));
        if (!own || !pendingRows) {
            append(row);
            if (!own) {
                if (shouldAddNotification()) {
                    if (message.sentAt() > m_dateLastMessage) {
                        ++m_chatNotifications;
                        counted.append(message);
                    }
                } else {
                    saveDateLastMessage(message.sentAt());
                    scroll = true;
                }
            }
        } else {
            if (!isPendingMessage(message))
                append(row);
            pendingRows = support.pendingChatEntriesForChatRoom(identifier());
        }
    }
    announce();
    if (m_chatNotifications >= 1)
        announceChatNotifications();
    if (!counted.isEmpty())
        emit messagesArrived(counted);
    if (scroll)
        emit scrollToBottomRequested();
}

void MCSocialEntity::announceChatNotifications()
{
    emit chatNotificationsChanged();
    if (m_environment)
        m_environment->chatSupport().updateDockNotifications(m_chatNotifications, identifier());
}

bool MCSocialEntity::shouldAddNotification() const
{
    const MCChatPage *page = chatPage();
    const bool lookingAtEnd = page && page->isLastRowVisible() && m_environment &&
                              m_environment->isApplicationActive() &&
                              m_environment->notBrowsablePath() == title();
    return !lookingAtEnd;
}

void MCSocialEntity::resetChatNotifications()
{
    const MCChatPage *page = chatPage();
    if (m_chatNotifications == 0 || !page || !page->isLastRowVisible())
        return;
    m_chatNotifications = 0;
    emit chatNotificationsChanged();
    const QDateTime last = page->lastItemSentAtDate();
    if (last.isValid())
        saveDateLastMessage(last);
    if (m_environment)
        m_environment->chatSupport().updateDockNotifications(0, identifier());
}

bool MCSocialEntity::loadOlderMessages()
{
    if (!m_environment)
        return false;
    // The page is asked before the oldest message held, by its id: ids follow the order the
    // service stored the messages in, so a burst of thousands in one second pages like any
    // other stretch. A service that pages only by the second it stored each message in answers
    // those stored strictly before the second asked: the page is also asked up to the end of
    // the oldest message's second, with room for the ones of it already held (dropped again
    // by their ids).
    QList<MOMessage> stored;
    for (const MCChatEntryPtr &entry : qAsConst(m_conversation)) {
        if (entry->kind() != MCChatEntry::MessageRow)
            continue;
        const MOMessage message = static_cast<MCChatMessageEntry *>(entry.data())->message();
        if (message.messageId() != 0) // else sent from here, not stored yet
            stored.append(message);
    }
    const auto storedAt = [](const MOMessage &message) {
        return message.createdAt().isValid() ? message.createdAt() : message.sentAt();
    };
    const auto oldest = std::min_element(stored.cbegin(), stored.cend(),
                                         [&storedAt](const MOMessage &a, const MOMessage &b) {
                                             if (storedAt(a) != storedAt(b))
                                                 return storedAt(a) < storedAt(b);
                                             return a.messageId() < b.messageId();
                                         });
    const auto first = std::min_element(
        stored.cbegin(), stored.cend(),
        [](const MOMessage &a, const MOMessage &b) { return a.messageId() < b.messageId(); });
    // Fewer than a page: the first page held the whole history. The page before the first
    // message held was asked already and brought nothing older: it is the whole history.
    if (stored.size() < HistoryPage || oldest == stored.cend() || !storedAt(*oldest).isValid() ||
        first->messageId() == m_historyRequestedFrom)
        return false;
    m_historyRequestedFrom = first->messageId();
    const qint64 second = storedAt(*oldest).toSecsSinceEpoch();
    const int held = int(std::count_if(stored.cbegin(), stored.cend(), [&](const MOMessage &m) {
        return storedAt(m).toSecsSinceEpoch() == second;
    }));
    const QDateTime before = QDateTime::fromSecsSinceEpoch(second + 1, Qt::UTC);
    qCDebug(lcPeople) << "Older messages of" << identifier() << "before" << before;
    m_environment->listMessagesBefore(this, before, m_historyRequestedFrom,
                                      qMin(held + HistoryPage, LargestPage));
    return true;
}

MCChatViewController *MCSocialEntity::chatViewController()
{
    if (!chatPage() && m_environment) {
        m_chatPage = m_environment->newChatPage(this);
        if (!m_chatPage)
            return nullptr;
        m_chatWidget = m_chatPage->pageWidget();
        // A blank band under the last message.
        append(MCChatDateEntry::emptyRow());
        announce();
        m_chatPage->drawAllRows();
    }
    return chatController();
}

QList<MOCollaboration> MCSocialEntity::collaborations() const
{
    QList<MOCollaboration> list;
    for (const MCChatCollaborationEntryPtr &entry : m_collaborations)
        list.append(entry->collaboration());
    return list;
}

MCChatPage *MCSocialEntity::chatPage() const
{
    return m_chatWidget ? m_chatPage : nullptr;
}

MCChatViewController *MCSocialEntity::chatController() const
{
    MCChatPage *page = chatPage();
    return page ? page->pageController() : nullptr;
}
