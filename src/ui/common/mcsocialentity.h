#ifndef MCSOCIALENTITY_H
#define MCSOCIALENTITY_H

#include "mcchatcollaborationentry.h"
#include "mcchatentry.h"
#include "mocollaboration.h"
#include "moconversation.h"
#include "moerror.h"
#include "momessage.h"
#include "mouseraccount.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QSet>

class MCChatEnvironment;
class MCChatRowsModel;
class MCChatPage;
class MCChatViewController;
class QWidget;

// One chat partner of the signed-in user: a contact or a group conversation. The hub keeps one
// per conversation and hands it the messages and file invitations of that conversation; the
// entity turns them into the rows of its chat page (rowsModel(), sorted by time), counts the
// unread ones and keeps its entry of the "MyContacts" options. The send road (a message just
// typed, shown "Pending") and the receive road (the service's messages, which confirm pending
// rows) meet here. Main thread only.
class MCSocialEntity : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QPixmap roomImage READ roomImage NOTIFY roomImageChanged)
    Q_PROPERTY(qint64 chatNotifications READ chatNotifications NOTIFY chatNotificationsChanged)
    Q_PROPERTY(QString title READ title NOTIFY chatRoomChanged)
    Q_PROPERTY(QString roomName READ roomName NOTIFY chatRoomChanged)
public:
    explicit MCSocialEntity(QObject *parent = nullptr);
    ~MCSocialEntity() override;

    virtual MOConversation chatRoom() const = 0;
    virtual void setChatRoom(const MOConversation &room) = 0;
    // "e-mail://" for a contact, "name://identifier" for a group: the page's place.
    virtual QString title() const = 0;
    virtual QString roomName() const = 0;
    // The header's second line.
    virtual QString description() const = 0;
    virtual QList<MOUserAccount> rcptAccounts() const = 0;
    // The conversation's identifier.
    qint64 identifier() const { return chatRoom().identifier(); }
    QPixmap roomImage() const { return m_roomImage; }

    // What the entity works with; set by the hub when it takes the entity. Creates the
    // "MyContacts" entry.
    MCChatEnvironment *environment() const { return m_environment; }
    void setEnvironment(MCChatEnvironment *environment);

    // Every row in the order it was added; the page shows them sorted by time.
    QList<MCChatEntryPtr> conversation() const { return m_conversation; }
    // The rows sorted by time, for the page and for tests.
    MCChatRowsModel *rowsModel() const { return m_rowsModel; }
    // The messages shown, in the order they were added.
    QList<MOMessage> writtenMessages() const;

    // The send road: an own message just sent, shown "Pending".
    void addPendingMessage(const MOMessage &message);
    // The receive road: messages from the service in ascending sentAt (history pages and
    // news). A message already shown is not added again.
    void addWrittenMessages(const QList<MOMessage> &messages);
    // Confirms and releases the pending row of an own message; true when there was one.
    bool isPendingMessage(const MOMessage &message);
    // The service did not take an own message: its pending row reads "Not sent". It stays in
    // the pending list, so that an echo that comes after all (the service acted before the
    // connection dropped) still confirms it.
    void didFailSendingMessage(const MOMessage &message, const QString &reason = QString());
    // A row that was not sent: sent again ("Pending"), or taken out of the chat.
    void sendMessageAgain(const MCChatEntryPtr &entry);
    void removeUnsentMessage(const MCChatEntryPtr &entry);
    // Appends a day separator for date's day when the chat has none yet.
    void addDateRowEventually(const QDateTime &date);

    // Unread messages and unanswered received files.
    qint64 chatNotifications() const { return m_chatNotifications; }
    // False only while the user looks at the end of this chat in the active window.
    bool shouldAddNotification() const;
    // The user saw the end of the chat: the count goes to 0.
    void resetChatNotifications();
    QDateTime dateLastMessage() const { return m_dateLastMessage; }
    // Moves the last seen date forward (never back) and stores it in "MyContacts".
    void saveDateLastMessage(const QDateTime &date);
    void createPListEntry();

    // Asks for the page of messages older than the oldest shown (those of its second
    // included), once per oldest message; false when there is nothing more to ask.
    bool loadOlderMessages();

    // The chat page, made on first use.
    MCChatViewController *chatViewController();
    MCChatViewController *chatController() const;

    // Files in chat. The rows of the files offered in this conversation, for the side panel.
    QList<MCChatCollaborationEntryPtr> collaborationEntries() const { return m_collaborations; }
    // Their invitations.
    QList<MOCollaboration> collaborations() const;
    // Prepares file rows for remote files (folders skipped) and for files of other providers'
    // folders (externalObjects: provider name to local paths); local files ("local") are
    // uploaded after asking. Each prepared row is sent when the user presses its Send.
    void sendFilesFromCloud(const QStringList &remotePaths,
                            const QMap<QString, QStringList> &externalObjects,
                            QWidget *window = nullptr);
    // The key of externalObjects for files outside any provider's folder.
    static const QString LocalFiles;
    void sendCollaboration(const MCChatCollaborationEntryPtr &entry);
    void cancelSendCollaborationEntry(const MCChatCollaborationEntryPtr &entry);
    void acceptCollaboration(const MCChatCollaborationEntryPtr &entry);
    void declineCollaboration(const MCChatCollaborationEntryPtr &entry);
    // Where an accepted file of this chat goes: "/Files From <room name>/<label>"; empty when
    // the label is not a plain file name (it would leave that folder).
    QString destinationPathFor(const QString &label) const;
    void didListReceivedCollaborations(const QList<MOCollaboration> &collaborations);
    void didReceiveChangedCollaborations(const QList<MOCollaboration> &collaborations);
    void didListSentInvitations(const QList<MOCollaboration> &collaborations);
    void didSendInviteCollaboration(const MOCollaboration &collaboration);
    void didAcceptCollaboration(const MOCollaboration &collaboration);
    void didRejectCollaboration(const MOCollaboration &collaboration);
    void didFailAcceptingWithError(const MOCollaboration &collaboration, const MOError &error);
    // The offer of the file at path did not go through: its row may be sent again or removed.
    void didFailSendingCollaboration(const QString &path, const MOError &error);

signals:
    void roomImageChanged();
    // Rows were added or removed.
    void conversationChanged();
    void entriesAdded(const QList<MCChatEntryPtr> &entries);
    void entryRemoved(const MCChatEntryPtr &entry);
    void chatNotificationsChanged();
    // Messages of other people that raised the unread count (history pages included).
    void messagesArrived(const QList<MOMessage> &messages);
    // Files other people offer that raised the unread count.
    void filesOffered(const QList<MOCollaboration> &collaborations);
    void collaborationsChanged();
    void chatRoomChanged();
    // The chat should show its end (a message arrived while the user looks at it).
    void scrollToBottomRequested();
    // An invitation could not be accepted; error says why.
    void collaborationFailed(const MOCollaboration &collaboration, const MOError &error);

protected:
    void setRoomImage(const QPixmap &image);
    QString myEmail() const;

private:
    // Appends entry unannounced; announce() tells the model and the observers.
    void append(const MCChatEntryPtr &entry);
    void announce();
    void removeEntry(const MCChatEntryPtr &entry);
    void announceChatNotifications();
    MCChatCollaborationEntryPtr entryFor(const MOCollaboration &collaboration);
    bool prepareFileRow(const MOStorageObject &object);
    bool prepareProviderFileRow(const QString &provider, const QString &root, const QString &path);

    MCChatEnvironment *m_environment = nullptr;
    QPixmap m_roomImage;
    QList<MCChatEntryPtr> m_conversation;
    QList<MCChatEntryPtr> m_unannounced;
    MCChatRowsModel *m_rowsModel;
    QSet<quint64> m_messageIds;
    qint64 m_chatNotifications = 0;
    QList<MCChatCollaborationEntryPtr> m_collaborations;
    QDateTime m_dateLastMessage;
    // The chat page; the widget's pointer says whether it is still there.
    MCChatPage *chatPage() const;
    QPointer<QWidget> m_chatWidget;
    MCChatPage *m_chatPage = nullptr;
    quint64 m_historyRequestedFrom = 0;
};

#endif // MCSOCIALENTITY_H
