#include "mcchatsupport.h"

MCChatSupport::MCChatSupport(QObject *parent)
    : QObject(parent)
{}

bool MCChatSupport::dateRowToAdd(const QDateTime &date, qint64 room)
{
    // A day is a day of the user's calendar, whatever the locale writes for it.
    QSet<QDate> &days = m_dateRows[room];
    const QDate day = date.toLocalTime().date();
    if (days.contains(day))
        return false;
    days.insert(day);
    return true;
}

void MCChatSupport::addPendingChatEntry(const QSharedPointer<MCChatMessageEntry> &entry,
                                        qint64 room)
{
    m_pendingMessages[room].append(entry);
}

QSharedPointer<MCChatMessageEntry> MCChatSupport::pendingChatEntry(const MCChatMessageEntry &entry,
                                                                   qint64 room) const
{
    for (const QSharedPointer<MCChatMessageEntry> &pending : m_pendingMessages.value(room)) {
        if (pending->isEqual(entry))
            return pending;
    }
    return {};
}

void MCChatSupport::removeChatEntry(const MCChatMessageEntry &entry, qint64 room)
{
    auto list = m_pendingMessages.find(room);
    if (list == m_pendingMessages.end())
        return;
    for (int i = 0; i < list->size(); ++i) {
        if (list->at(i)->isEqual(entry)) {
            list->removeAt(i);
            return;
        }
    }
}

bool MCChatSupport::pendingChatEntriesForChatRoom(qint64 room) const
{
    return !m_pendingMessages.value(room).isEmpty();
}

void MCChatSupport::updateDockNotifications(qint64 count, qint64 room)
{
    const bool listed = m_dockNotifications.contains(room);
    if (count != 0 && !listed)
        m_dockNotifications.append(room);
    else if (count == 0 && listed)
        m_dockNotifications.removeAll(room);
    else
        return;
    emit dockNotificationsChanged();
}

bool MCChatSupport::addPendingCollaborationEntry(const MCChatCollaborationEntryPtr &entry,
                                                 qint64 room)
{
    QList<MCChatCollaborationEntryPtr> &list = m_pendingSendCollaborations[room];
    const QString path = entry->path();
    const QString unique = entry->collaboration().uniqueIdentifier();
    for (const MCChatCollaborationEntryPtr &held : qAsConst(list)) {
        if (held->path() == path && held->responseStatus() != MCChatCollaborationEntry::Sent)
            return false;
        const QString heldUnique = held->collaboration().uniqueIdentifier();
        if (!heldUnique.isEmpty() && heldUnique == unique) {
            held->updateGroupInfo(entry->collaboration(), room, this);
            return false;
        }
    }
    list.append(entry);
    return true;
}

MCChatCollaborationEntryPtr MCChatSupport::pendingCollaboration(const QString &path, qint64 status,
                                                                qint64 room) const
{
    for (const MCChatCollaborationEntryPtr &held : m_pendingSendCollaborations.value(room)) {
        if (held->path() == path && held->responseStatus() == status)
            return held;
    }
    return {};
}

MCChatCollaborationEntryPtr MCChatSupport::pendingCollaborationWithToken(const QString &token,
                                                                         qint64 room) const
{
    for (const MCChatCollaborationEntryPtr &held : m_pendingSendCollaborations.value(room)) {
        if (!token.isEmpty() && held->collaboration().token() == token)
            return held;
    }
    return {};
}

MCChatCollaborationEntryPtr
MCChatSupport::pendingCollaborationWithUniqueIdentifier(const QString &identifier,
                                                        qint64 room) const
{
    for (const MCChatCollaborationEntryPtr &held : m_pendingSendCollaborations.value(room)) {
        if (!identifier.isEmpty() && held->collaboration().uniqueIdentifier() == identifier)
            return held;
    }
    return {};
}

void MCChatSupport::removePendingCollaborationEntry(const MCChatCollaborationEntry *entry,
                                                    qint64 room)
{
    auto list = m_pendingSendCollaborations.find(room);
    if (list == m_pendingSendCollaborations.end())
        return;
    for (int i = 0; i < list->size(); ++i) {
        if (list->at(i).data() == entry) {
            list->removeAt(i);
            return;
        }
    }
}

void MCChatSupport::removePendingCollaborationEntry(const MCChatCollaborationEntry *entry,
                                                    const QString &uniqueIdentifier, qint64 room)
{
    auto list = m_pendingSendCollaborations.find(room);
    if (list == m_pendingSendCollaborations.end())
        return;
    for (int i = 0; i < list->size(); ++i) {
        const QString held = list->at(i)->collaboration().uniqueIdentifier();
        if (list->at(i).data() == entry ||
            (!uniqueIdentifier.isEmpty() && held == uniqueIdentifier)) {
            list->removeAt(i);
            return;
        }
    }
}

void MCChatSupport::addResponseWaitingEntry(const MCChatCollaborationEntryPtr &entry)
{
    m_waitingResponseCollaborations.insert(entry->collaboration().token(), entry);
}

MCChatCollaborationEntryPtr MCChatSupport::getResponseWaitingEntry(const QString &token) const
{
    return m_waitingResponseCollaborations.value(token);
}

void MCChatSupport::removeResponseWaitingEntry(const MCChatCollaborationEntry *entry)
{
    if (entry)
        m_waitingResponseCollaborations.remove(entry->collaboration().token());
}

void MCChatSupport::deliverNotification(const QString &title, const QString &informativeText)
{
    emit notificationDelivered(title, informativeText);
}
