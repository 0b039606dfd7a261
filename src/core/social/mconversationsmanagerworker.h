#ifndef MCONVERSATIONSMANAGERWORKER_H
#define MCONVERSATIONSMANAGERWORKER_H

#include "mconversation.h"
#include "mjoininvitation.h"
#include "mmessage.h"
#include "mnetworkreply.h"
#include "mnetworkrequest.h"
#include "museraccount.h"
#include "tolvoprocess.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QTimer>
#include <QVariant>

#include <memory>

class MJsonRequestManager;

// The network side of MConversationsManager: sends its requests, decodes the answers into
// records and runs the news poll.
class MConversationsManagerWorker : public QObject
{
    Q_OBJECT
public:
    explicit MConversationsManagerWorker(QObject *parent = nullptr);
    ~MConversationsManagerWorker() override;

    // The spacing of polls after an answer; failures double it up to the maximum.
    void setPollInterval(int milliseconds);
    void setMaximumPollInterval(int milliseconds);

    // The "sent_at" value of a message: its sending time (now when it has none) carrying the
    // local offset from UTC of that instant.
    static QDateTime sentAtWithOffset(const QDateTime &sentAt);

    // The conversations' people and newest pages in flight at most; the others wait their
    // turn here. Twice the connections Qt opens to one service: each has its next request
    // ready when an answer comes.
    static constexpr int ListingsInFlight = 12;

public slots:
    void doListConversations();
    void doListUsers(qlonglong conversationId);
    void doListMessages(qlonglong conversationId, const QDateTime &before, int limit,
                        qlonglong beforeId);
    void doPostMessage(qlonglong conversationId, const MMessage &message);
    void doStartConversation(const QList<MUserAccount> &users, const QString &name);
    void doAcceptInvite(qlonglong invitationId);
    void doDeclineInvite(qlonglong invitationId);
    void doListJoinInvitations(qlonglong invitationId);
    void start();
    void shutdown();
    void stopListeningForNotifications();
    void startListeningForNotifications();
    void ensureRepetitiveServices(TolvoProcess::ConnectivityStatus previous,
                                  TolvoProcess::ConnectivityStatus current);
    void errorForRequestSlot(const MNetworkRequest &request, QNetworkReply::NetworkError code);
    void requestCanceledSlot(const MNetworkRequest &request);
    void decodeErrorSlot(const MNetworkRequest &request, const QByteArray &buffer,
                         const MNetworkReply &reply);
    void responseObjectReadySlot(const QVariant &answer, const MNetworkRequest &request,
                                 const MNetworkReply &reply);

signals:
    void started();
    void shutdownCompleted();
    void conversationsReceived(MConversationList conversations);
    void usersReceived(MConversation conversation, QList<MUserAccount> users);
    // The people of the conversation could not be listed (404: it is not the user's, or no
    // longer); status 0 when no answer came; reason: the service's first error, or empty.
    void usersListFailed(qlonglong conversationId, int status, QString reason);
    void messagesReceived(MConversation conversation, QList<MMessage> messages);
    void conversationStarted(MConversation conversation);
    // The service did not make the conversation: status 0 when no answer came; reason: its
    // first error, or empty. After no answer or a failure of the service, the conversations
    // are read again first: one made all the same is announced as started instead.
    void conversationStartFailed(int status, QString reason);
    void messageSent(MConversation conversation, MMessage message);
    // The message as it was handed over; status 0 when no answer came; reason: the service's
    // first error, or empty.
    void messageSendFailed(qlonglong conversationId, MMessage message, int status, QString reason);
    void newUserContacts(QList<MUserAccount> accounts);
    void accountsChangedStatus(QList<MUserAccount> accounts);
    void contactJoinInvitation(MJoinInvitation invitation);
    void invitationAccepted(MJoinInvitation invitation);
    // An answer that did not go through: status 0 when no answer came; reason: the service's
    // first error, or empty.
    void invitationAcceptFailed(MJoinInvitation invitation, int status, QString reason);
    void invitationDeclined(MJoinInvitation invitation);
    void invitationDeclineFailed(MJoinInvitation invitation, int status, QString reason);

protected slots:
    void listenForNotifications();

private:
    // The poll's cursor in one conversation, and the messages already delivered at its second:
    // the service answers "since" inclusively, so those come again. The newest message the
    // client holds: the service brings nothing up to it as news again.
    struct Cursor
    {
        QDateTime time;
        QSet<qint64> deliveredIds;
        qint64 newestId = 0;
    };

    // A conversations listing, read into records off the main thread.
    struct Listing
    {
        MConversationList conversations;
        bool read = false;
        // A read-back's: the conversations above this id not followed yet are news, followed
        // from their creation (or from serviceTime). -1 for a listing asked for.
        qlonglong newsAfter = -1;
        // When the service answered: a listing asked for has its conversations polled from then.
        QDateTime serviceTime;
    };
    void readListing(const QVariantList &elements, qlonglong newsAfter = -1,
                     const QDateTime &serviceTime = QDateTime());
    // Announces the listings read, up to the first still being read.
    void announceReadListings();
    // The request's identifier; empty when it could not be made.
    QString sendAction(const QVariant &params, int action, const QVariant &userData = QVariant(),
                       QNetworkRequest::Priority priority = QNetworkRequest::NormalPriority);
    // Sends the waiting listings, people first, while fewer than ListingsInFlight are out.
    void sendWaitingListings();
    // A listing in flight has its answer (or failed): the next one goes out.
    void listingEnded(const MNetworkRequest &request);
    bool conversationsListingAwaited() const;
    void reportFailure(const QVariantMap &answer, const MNetworkRequest &request, int status);
    // A 200 answer without the object it stands for: a failure, as one that cannot be read.
    void reportUnreadable(const MNetworkRequest &request);
    // An answer with status 200.
    void handleAnswer(const QVariantMap &answer, int action, const MNetworkRequest &request,
                      const MNetworkReply &reply);
    MUserAccount resolveSender(const QVariantMap &messageJson);
    QList<MMessage> messagesFrom(const QVariantList &list, const MConversation *conversation);
    // Cursors only move forward, and only to valid times.
    void advanceCursor(qlonglong conversationId, const QList<MMessage> &messages);
    void advanceCursor(qlonglong conversationId, const QDateTime &time);
    // Starts following a conversation that has no cursor yet: from its creation, or from the
    // service's time when the service did not say when that was.
    void followConversation(const MConversation &conversation, const QDateTime &serviceTime);
    void handleNews(const QVariantMap &answer, const QDateTime &serviceTime);
    // The poll's query items, split so that no request's URL passes a fixed length. The
    // conversations being read back wait for their pages.
    QList<QVariantMap> pollParameters() const;
    // Ends one request of the poll in flight. Once all have ended, the next poll follows after
    // the interval, or after a growing delay while polls keep failing.
    void pollPartFinished(const QString &requestId, bool succeeded);
    void pollFinished(bool succeeded);
    // A poll request's answer was lost or cannot be used after the service may have handed its
    // news over: what it carried is read back.
    void pollPartLost(const QString &requestId);
    // Notes what a poll with these query items may have carried, to be read back.
    void noteLostPoll(const QVariantMap &parameters);
    // Asks for what is still to be read back, unless a read-back is in flight.
    void readBackLostNews();
    void sendWaitingReadBacks();
    // One answer to a read-back; false when the request has to be made again.
    bool readBack(const QVariantMap &answer, int action, const MNetworkRequest &request,
                  const MNetworkReply &reply);
    bool readBackMessages(const QVariantMap &answer, const MNetworkRequest &request);
    void readBackEnded(const MNetworkRequest &request, bool read);
    // A start that got no answer or a failure of the service: the conversations are read
    // again to see whether it was made all the same.
    // The newest conversation listed or followed: one made later has a greater identifier.
    qlonglong newestKnownConversation() const;
    void checkStartMade(const MNetworkRequest &start, int status, const QString &reason);
    // The answer to that listing (ok: a 200 answer); announces the start or its failure.
    void startChecked(const QVariantMap &answer, const MNetworkRequest &listing, bool ok);

    MJsonRequestManager *requestManager = nullptr;
    // The listings asked for, in the order they came, the first not yet announced.
    QList<std::shared_ptr<Listing>> listings;
    // A sign-in asks for thousands of conversations' people and newest page at once. Handed
    // to Qt together, they would wait there for the connections, each with its own reply
    // object and timers, and their answers would come in bursts.
    QList<qlonglong> waitingPeople;
    QList<QVariantMap> waitingPages;
    QSet<QString> listingsInFlight;
    QMap<qlonglong, Cursor> lastMessageTimes;
    QMap<qint64, MUserAccount> accounts;
    // The requests of the poll in flight, with their query items; one failed makes the whole
    // poll a failure.
    QHash<QString, QVariantMap> pendingPollRequests;
    bool pollPartFailed = false;
    // The service hands each piece of news over once, as it answers the poll. What a poll whose
    // answer was lost may have carried is read back instead: the newest messages of its
    // conversations, page after page down to their cursors, and the listings of
    // conversations, contacts and invitations (their actions here).
    QSet<qlonglong> unreadConversations;
    QSet<int> unreadListings;
    // The newest conversation those polls named, and the newest one listed: the service
    // brought only newer ones as news.
    qlonglong newestNamedConversation = 0;
    qlonglong newestListedConversation = 0;
    // The listings of the user's conversations in flight. A poll waits for them and for their
    // reading: one that names no conversation is handed every conversation as news.
    QSet<QString> conversationListings;
    // A read-back's requests waiting for their turn (action and query items), those in flight,
    // and the pages read of each conversation so far, newest first.
    QList<QPair<int, QVariantMap>> waitingReadBacks;
    QHash<QString, quint64> readBackRequests; // the count of lost polls when each was sent
    QMap<qlonglong, QList<MMessage>> readBackPages;
    // The listings reading the conversations again after a start failed, with the start's
    // request-info map, its status and reason.
    QHash<QString, QVariantMap> startChecks;
    // A listing answered tells the news of the polls lost before it was asked for.
    quint64 lostPolls = 0;
    QTimer pollTimer;
    int interval = 1500;
    int maximumInterval = 30000;
    int failedPolls = 0;
    // A poll that keeps failing is told to the user once, until one succeeds again.
    bool pollFailureReported = false;
};

#endif // MCONVERSATIONSMANAGERWORKER_H
