#ifndef MCCHATSUPPORT_H
#define MCCHATSUPPORT_H

#include "mcchatcollaborationentry.h"
#include "mcchatmessageentry.h"
#include "mccontact.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

// The chat state every page of the session shares, by chat room (a conversation identifier):
// own messages waiting for their echo from the service, the days that have a separator row,
// the rooms with unread messages (the launcher badge), the files offered and not yet
// answered, the received files whose answer is under way, the people met by e-mail address,
// and the user notifications. Nothing here is saved. Owned by the hub; main thread only.
class MCChatSupport : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        QList<qint64> dockNotifications READ dockNotifications NOTIFY dockNotificationsChanged)
public:
    explicit MCChatSupport(QObject *parent = nullptr);

    QHash<QString, QPointer<MCContact>> &mcContactByEmail() { return m_contactByEmail; }
    MCContact *contactByEmail(const QString &email) const { return m_contactByEmail.value(email); }

    // True, and remembered, the first time a day of date is asked for in room.
    bool dateRowToAdd(const QDateTime &date, qint64 room);

    // Own messages waiting for their echo, in the order they were sent.
    void addPendingChatEntry(const QSharedPointer<MCChatMessageEntry> &entry, qint64 room);
    // The earliest pending row of room equal to entry (same time, same text); null when none.
    QSharedPointer<MCChatMessageEntry> pendingChatEntry(const MCChatMessageEntry &entry,
                                                        qint64 room) const;
    // Removes the earliest pending row equal to entry.
    void removeChatEntry(const MCChatMessageEntry &entry, qint64 room);
    bool pendingChatEntriesForChatRoom(qint64 room) const;

    // Rooms with unread messages; a change is announced once.
    QList<qint64> dockNotifications() const { return m_dockNotifications; }
    void updateDockNotifications(qint64 count, qint64 room);

    // Files offered and not yet answered. False (and nothing added) when a send of the same
    // file is pending unanswered, or when a row of the same group send takes this member's
    // answer.
    bool addPendingCollaborationEntry(const MCChatCollaborationEntryPtr &entry, qint64 room);
    MCChatCollaborationEntryPtr pendingCollaboration(const QString &path, qint64 status,
                                                     qint64 room) const;
    MCChatCollaborationEntryPtr pendingCollaborationWithToken(const QString &token,
                                                              qint64 room) const;
    MCChatCollaborationEntryPtr pendingCollaborationWithUniqueIdentifier(const QString &identifier,
                                                                         qint64 room) const;
    // Removes that very row (not another one of the same file).
    void removePendingCollaborationEntry(const MCChatCollaborationEntry *entry, qint64 room);
    // Removes the row of the group send with that unique identifier.
    void removePendingCollaborationEntry(const MCChatCollaborationEntry *entry,
                                         const QString &uniqueIdentifier, qint64 room);
    QList<MCChatCollaborationEntryPtr> pendingCollaborations(qint64 room) const
    {
        return m_pendingSendCollaborations.value(room);
    }

    // Received files whose accept or decline is under way, by invitation token.
    void addResponseWaitingEntry(const MCChatCollaborationEntryPtr &entry);
    MCChatCollaborationEntryPtr getResponseWaitingEntry(const QString &token) const;
    void removeResponseWaitingEntry(const MCChatCollaborationEntry *entry);

    // A desktop notification; the shell shows it.
    void deliverNotification(const QString &title, const QString &informativeText);

signals:
    void dockNotificationsChanged();
    void notificationDelivered(const QString &title, const QString &informativeText);

private:
    QHash<QString, QPointer<MCContact>> m_contactByEmail;
    QHash<qint64, QSet<QDate>> m_dateRows;
    QHash<qint64, QList<QSharedPointer<MCChatMessageEntry>>> m_pendingMessages;
    QList<qint64> m_dockNotifications;
    QHash<qint64, QList<MCChatCollaborationEntryPtr>> m_pendingSendCollaborations;
    QHash<QString, MCChatCollaborationEntryPtr> m_waitingResponseCollaborations;
};

#endif // MCCHATSUPPORT_H
