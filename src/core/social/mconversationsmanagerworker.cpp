#include "mconversationsmanagerworker.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mformencoding.h"
#include "mjsonrequestmanager.h"
#include "mlistingdeadline.h"
#include "mnotificationmanager.h"
#include "mrunaside.h"
#include "muserauthmanager.h"
#include "tolvo.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QLocale>
#include <QThreadPool>

#include <algorithm>
#include <utility>

namespace {

const QString MessagesKey = QStringLiteral("messages");
const QString ConversationKey = QStringLiteral("conversation");
const QString InviteKey = QStringLiteral("invite");
const QString InvitesKey = QStringLiteral("invites");
const QString IdKey = QStringLiteral("id");
const QString LastConversationKey = QStringLiteral("last_conversation_id");
// Long enough for a slow service, short enough that a hung poll cannot silence the chat.
const int PollTransferTimeout = 30000;
// The longest URL of one poll request, everything counted: servers refuse longer ones (the
// smallest limit known is 6,144 bytes), and each conversation followed adds an item.
const int MaximumPollUrlBytes = 4096;
// Failed polls in a row before the user is told; a single one is often a passing fault.
const int FailedPollsReported = 3;
// The messages of one page read back after a lost poll: the service's default page.
const int ReadBackPageSize = 100;

QVariantMap idParameter(qlonglong id)
{
    return {{IdKey, id}};
}

// A conversation's newest messages, or those stored before the message beforeId.
QVariantMap readBackPage(qlonglong conversationId, qlonglong beforeId)
{
    QVariantMap params = idParameter(conversationId);
    if (beforeId > 0)
        params.insert(QStringLiteral("before_id"), beforeId);
    params.insert(QStringLiteral("limit"), ReadBackPageSize);
    return params;
}

// The service's clock from the reply's Date header; the local clock when there is none.
QDateTime serviceTime(const MNetworkReply &reply)
{
    const QString text = QString::fromLatin1(reply.header("Date"));
    QDateTime time =
        QLocale::c().toDateTime(text.left(25), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss"));
    time.setTimeSpec(Qt::UTC);
    return time.isValid() ? time : QDateTime::currentDateTimeUtc();
}

QString firstError(const QVariantMap &answer)
{
    return answer.value(QStringLiteral("errors")).toList().value(0).toString();
}

// Whether the answer holds an object, not empty, under key.
bool isObject(const QVariantMap &answer, const QString &key)
{
    const QVariant value = answer.value(key);
    return value.type() == QVariant::Map && !value.toMap().isEmpty();
}

} // namespace

MConversationsManagerWorker::MConversationsManagerWorker(QObject *parent)
    : QObject(parent)
{}

MConversationsManagerWorker::~MConversationsManagerWorker() = default;

void MConversationsManagerWorker::setPollInterval(int milliseconds)
{
    interval = milliseconds;
}

void MConversationsManagerWorker::setMaximumPollInterval(int milliseconds)
{
    maximumInterval = milliseconds;
}

QDateTime MConversationsManagerWorker::sentAtWithOffset(const QDateTime &sentAt)
{
    QDateTime time = sentAt.isNull() ? QDateTime::currentDateTime() : sentAt;
    // The offset of that instant, not of the current one: they differ across a
    // daylight-saving change.
    time.setOffsetFromUtc(time.offsetFromUtc());
    return time;
}

void MConversationsManagerWorker::doListConversations()
{
    // The polls wait for it until it fails: it stalls, or passes its deadline trickling in.
    const QString requestId = sendAction(QVariant(), Tolvo::ListConversations);
    if (!requestId.isEmpty())
        conversationListings.insert(requestId);
}

bool MConversationsManagerWorker::conversationsListingAwaited() const
{
    return !conversationListings.isEmpty() ||
           std::any_of(
               listings.cbegin(), listings.cend(),
               [](const std::shared_ptr<Listing> &listing) { return listing->newsAfter < 0; });
}

void MConversationsManagerWorker::doListUsers(qlonglong conversationId)
{
    waitingPeople.append(conversationId);
    sendWaitingListings();
}

void MConversationsManagerWorker::doListMessages(qlonglong conversationId, const QDateTime &before,
                                                 int limit, qlonglong beforeId)
{
    QVariantMap params = idParameter(conversationId);
    if (before.isValid())
        params.insert(QStringLiteral("before"), before.toMSecsSinceEpoch() / 1000);
    if (beforeId > 0)
        params.insert(QStringLiteral("before_id"), beforeId);
    params.insert(QStringLiteral("limit"), limit);
    // Older pages are asked by a user reading back: they wait for nothing.
    if (before.isValid() || beforeId > 0) {
        sendAction(params, Tolvo::ConversationMessages);
        return;
    }
    waitingPages.append(params);
    sendWaitingListings();
}

void MConversationsManagerWorker::sendWaitingListings()
{
    // A conversation's newest page behind the requests for people: at sign-in, the people
    // asked for thousands of conversations list them in the sidebar.
    while (listingsInFlight.size() < ListingsInFlight &&
           (!waitingPeople.isEmpty() || !waitingPages.isEmpty())) {
        const QString requestId =
            waitingPeople.isEmpty()
                ? sendAction(waitingPages.takeFirst(), Tolvo::ConversationMessages, QVariant(),
                             QNetworkRequest::LowPriority)
                : sendAction(idParameter(waitingPeople.takeFirst()), Tolvo::ConversationUsers);
        if (!requestId.isEmpty())
            listingsInFlight.insert(requestId);
    }
}

void MConversationsManagerWorker::listingEnded(const MNetworkRequest &request)
{
    // Answered or failed: a failed listing holds the polls back no longer.
    conversationListings.remove(request.requestId());
    if (listingsInFlight.remove(request.requestId()))
        sendWaitingListings();
}

void MConversationsManagerWorker::doPostMessage(qlonglong conversationId, const MMessage &message)
{
    sendAction(QVariantMap{{QStringLiteral("content"), message.body()},
                           {IdKey, conversationId},
                           {QStringLiteral("sent_at"), sentAtWithOffset(message.sentAt())}},
               Tolvo::PostMessage, QVariant::fromValue(message));
}

void MConversationsManagerWorker::doStartConversation(const QList<MUserAccount> &users,
                                                      const QString &name)
{
    QStringList emails;
    for (const MUserAccount &user : users)
        emails.append(user.email());
    sendAction(QVariantMap{{QStringLiteral("users"), emails}, {QStringLiteral("name"), name}},
               Tolvo::StartConversation, newestKnownConversation());
}

void MConversationsManagerWorker::doAcceptInvite(qlonglong invitationId)
{
    sendAction(idParameter(invitationId), Tolvo::AcceptContactInvitation);
}

void MConversationsManagerWorker::doDeclineInvite(qlonglong invitationId)
{
    sendAction(idParameter(invitationId), Tolvo::DeclineContactInvitation);
}

void MConversationsManagerWorker::doListJoinInvitations(qlonglong invitationId)
{
    sendAction(idParameter(invitationId), Tolvo::ContactInvitations);
}

void MConversationsManagerWorker::start()
{
    requestManager = new MJsonRequestManager(this);
    requestManager->setRetryAuthenticatedRequests(true);
    // The poll retries by itself; a poll sent again behind its back would answer nobody.
    requestManager->setResendAfterReconnection(false);
    connect(requestManager, &MNetworkRequestManager::shutdownCompleted, this,
            &MConversationsManagerWorker::shutdownCompleted);
    connect(requestManager,
            qOverload<const MNetworkRequest &, QNetworkReply::NetworkError>(
                &MNetworkRequestManager::errorForRequest),
            this, &MConversationsManagerWorker::errorForRequestSlot);
    connect(requestManager, &MJsonRequestManager::responseObjectReady, this,
            &MConversationsManagerWorker::responseObjectReadySlot);
    connect(requestManager, &MJsonRequestManager::decodeError, this,
            &MConversationsManagerWorker::decodeErrorSlot);
    connect(requestManager, &MNetworkRequestManager::requestCanceled, this,
            &MConversationsManagerWorker::requestCanceledSlot);
    connect(TolvoProcess::instance(), &TolvoProcess::connectivityStatusChanged, this,
            &MConversationsManagerWorker::ensureRepetitiveServices);
    connect(&pollTimer, &QTimer::timeout, this,
            &MConversationsManagerWorker::listenForNotifications);
    emit started();
}

void MConversationsManagerWorker::shutdown()
{
    disconnect(requestManager, &MJsonRequestManager::responseObjectReady, nullptr, nullptr);
    disconnect(requestManager, &MJsonRequestManager::decodeError, nullptr, nullptr);
    disconnect(requestManager,
               qOverload<const MNetworkRequest &, QNetworkReply::NetworkError>(
                   &MNetworkRequestManager::errorForRequest),
               nullptr, nullptr);
    stopListeningForNotifications();
    // A listing still being read is announced to nobody.
    listings.clear();
    conversationListings.clear();
    waitingPeople.clear();
    waitingPages.clear();
    startChecks.clear();
    requestManager->shutdown();
}

void MConversationsManagerWorker::stopListeningForNotifications()
{
    // The service may have made the answers of the poll in flight already: what they carry is
    // read back once the poll starts again, as is what a read-back in flight was reading.
    const QHash<QString, QVariantMap> parts = std::exchange(pendingPollRequests, {});
    for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
        noteLostPoll(it.value());
        requestManager->cancelRequest(it.key());
    }
    const QHash<QString, quint64> reading = std::exchange(readBackRequests, {});
    for (auto it = reading.cbegin(); it != reading.cend(); ++it)
        requestManager->cancelRequest(it.key());
    waitingReadBacks.clear();
    readBackPages.clear();
    pollTimer.stop();
}

void MConversationsManagerWorker::startListeningForNotifications()
{
    failedPolls = 0;
    pollTimer.start(interval);
}

void MConversationsManagerWorker::ensureRepetitiveServices(TolvoProcess::ConnectivityStatus,
                                                           TolvoProcess::ConnectivityStatus current)
{
    if (current == TolvoProcess::Online)
        startListeningForNotifications();
    else
        stopListeningForNotifications();
}

void MConversationsManagerWorker::errorForRequestSlot(const MNetworkRequest &request,
                                                      QNetworkReply::NetworkError code)
{
    // The reply still finishes and is answered through responseObjectReadySlot.
    qCDebug(lcCoreSocial) << "MConversationsManager: network error" << code << "for"
                          << request.userInfo().toMap().value(ReqActionKey).toInt();
}

void MConversationsManagerWorker::requestCanceledSlot(const MNetworkRequest &request)
{
    listingEnded(request);
    if (startChecks.contains(request.requestId()))
        startChecked(QVariantMap(), request, false);
    // Canceled by its transfer timeout, say: the service may have made its answer.
    else if (pendingPollRequests.contains(request.requestId()))
        pollPartLost(request.requestId());
    else if (readBackRequests.contains(request.requestId()))
        readBackEnded(request, false);
}

void MConversationsManagerWorker::decodeErrorSlot(const MNetworkRequest &request,
                                                  const QByteArray &buffer,
                                                  const MNetworkReply &reply)
{
    qCDebug(lcCoreSocial) << "MConversationsManager: cannot decode" << buffer;
    // A gateway's page may stand in for news the service handed over.
    if (pendingPollRequests.contains(request.requestId())) {
        pollPartLost(request.requestId());
        return;
    }
    if (readBackRequests.contains(request.requestId())) {
        readBackEnded(request, false);
        return;
    }
    if (startChecks.contains(request.requestId())) {
        startChecked(QVariantMap(), request, false);
        return;
    }
    // An answer that cannot be read tells the user no more than no answer at all.
    reportFailure(QVariantMap(), request, reply.statusCode() == 200 ? 0 : reply.statusCode());
    listingEnded(request);
}

void MConversationsManagerWorker::reportUnreadable(const MNetworkRequest &request)
{
    qCWarning(lcCoreSocial) << "MConversationsManager: an answer without what it stands for, for"
                            << request.userInfo().toMap().value(ReqActionKey).toInt();
    // Told as an answer that could not be read.
    reportFailure(QVariantMap(), request, 0);
}

void MConversationsManagerWorker::reportFailure(const QVariantMap &answer,
                                                const MNetworkRequest &request, int status)
{
    const QVariantMap info = request.userInfo().toMap();
    const int action = info.value(ReqActionKey).toInt();
    qCDebug(lcCoreSocial) << "MConversationsManager => Error" << status << "for action" << action;
    // The answer of a failure may name nothing (no answer came): the request says what it was.
    const QVariantMap parameters = info.value(ReqMapKey).toMap();
    MJoinInvitation invitation(answer.value(InviteKey).toMap());
    if (invitation.identifier() == 0)
        invitation = MJoinInvitation(QVariantMap{{IdKey, parameters.value(IdKey)}});
    if (action == Tolvo::AcceptContactInvitation)
        emit invitationAcceptFailed(invitation, status, firstError(answer));
    else if (action == Tolvo::DeclineContactInvitation)
        emit invitationDeclineFailed(invitation, status, firstError(answer));
    else if (action == Tolvo::StartConversation && (status == 0 || status >= 500))
        checkStartMade(request, status, firstError(answer));
    else if (action == Tolvo::StartConversation)
        emit conversationStartFailed(status, firstError(answer));
    else if (action == Tolvo::ConversationUsers)
        emit usersListFailed(parameters.value(IdKey).toLongLong(), status, firstError(answer));
    else if (action == Tolvo::PostMessage)
        emit messageSendFailed(parameters.value(IdKey).toLongLong(),
                               info.value(MObjectRequestUserDataKey).value<MMessage>(), status,
                               firstError(answer));
    else if (action == Tolvo::ConversationNotifications && (status == 0 || status >= 500))
        pollPartLost(request.requestId()); // the answer may have been made, then lost
    else if (action == Tolvo::ConversationNotifications)
        pollPartFinished(request.requestId(), false);
}

void MConversationsManagerWorker::responseObjectReadySlot(const QVariant &answerObject,
                                                          const MNetworkRequest &request,
                                                          const MNetworkReply &reply)
{
    const QVariantMap answer = answerObject.toMap();
    const int action = request.userInfo().toMap().value(ReqActionKey).toInt();
    if (readBackRequests.contains(request.requestId())) {
        readBackEnded(request, readBack(answer, action, request, reply));
        return;
    }
    if (startChecks.contains(request.requestId())) {
        startChecked(answer, request, reply.statusCode() == 200);
        return;
    }
    const int status = reply.statusCode();
    if (status != 200)
        reportFailure(answer, request, status);
    else
        handleAnswer(answer, action, request, reply);
    listingEnded(request);
}

void MConversationsManagerWorker::handleAnswer(const QVariantMap &answer, int action,
                                               const MNetworkRequest &request,
                                               const MNetworkReply &reply)
{
    const MConversation conversation(answer.value(ConversationKey).toMap());
    switch (action) {
    case Tolvo::ListConversations:
        readListing(answer.value(QStringLiteral("conversations")).toList(), -1, serviceTime(reply));
        break;
    case Tolvo::ConversationUsers: {
        QList<MUserAccount> users;
        for (const QVariant &element : answer.value(QStringLiteral("users")).toList()) {
            const MUserAccount built(element.toMap());
            // Later answers do not refresh a known account.
            MUserAccount account = accounts.value(built.id(), built);
            if (built.id() >= 0 && !accounts.contains(built.id()))
                accounts.insert(built.id(), built);
            if (conversation.isMain())
                account.setMainConversation(conversation);
            users.append(account);
        }
        MConversation withUsers = conversation;
        withUsers.setParticipants(users);
        emit usersReceived(withUsers, users);
        break;
    }
    case Tolvo::ConversationMessages: {
        const QList<MMessage> messages =
            messagesFrom(answer.value(MessagesKey).toList(), &conversation);
        // The cursor moves by the messages' own times, never by the service's clock: a page
        // answered a second after messages were stored would put it past them, and the poll
        // would never ask for them.
        if (messages.isEmpty())
            followConversation(conversation, serviceTime(reply));
        else
            advanceCursor(conversation.identifier(), messages);
        if (!messages.isEmpty())
            emit messagesReceived(conversation, messages);
        // The service answers: a poll that stopped or waits out failures starts again. One in
        // flight or due is left alone, or the pages of a sign-in's thousands of conversations,
        // answered one after another, would hold the news back until the last of them.
        if (pendingPollRequests.isEmpty() && (failedPolls > 0 || !pollTimer.isActive()))
            startListeningForNotifications();
        break;
    }
    case Tolvo::PostMessage: {
        MMessage message(answer.value(QStringLiteral("message")).toMap());
        // An answer without the message stored is no message sent, empty or not.
        if (!isObject(answer, QStringLiteral("message")) || message.messageId() <= 0) {
            reportUnreadable(request);
            break;
        }
        message.setSender(MUserAuthManager::applicationManager()->account());
        message.setConversation(conversation);
        emit messageSent(conversation, message);
        break;
    }
    case Tolvo::StartConversation:
        if (!isObject(answer, ConversationKey) || conversation.identifier() <= 0) {
            reportUnreadable(request);
            break;
        }
        emit conversationStarted(conversation);
        break;
    case Tolvo::ConversationNotifications:
        // Every member of the answer may be left out when it has nothing to say, but messages
        // that are not an object were garbled on their way, and a body cut short may have
        // been cut before them.
        if (reply.error() != QNetworkReply::NoError ||
            (answer.contains(MessagesKey) && answer.value(MessagesKey).type() != QVariant::Map)) {
            pollPartLost(request.requestId());
            break;
        }
        // Each part's news is handled as it comes: one slow part holds up none of the others.
        handleNews(answer, serviceTime(reply));
        pollPartFinished(request.requestId(), true);
        break;
    case Tolvo::AcceptContactInvitation: {
        const MJoinInvitation invitation(answer.value(InviteKey).toMap());
        if (!isObject(answer, InviteKey) || invitation.identifier() <= 0) {
            reportUnreadable(request);
            break;
        }
        emit invitationAccepted(invitation);
        break;
    }
    case Tolvo::ContactInvitations:
        for (const QVariant &element : answer.value(InvitesKey).toList())
            emit contactJoinInvitation(MJoinInvitation(element.toMap()));
        break;
    case Tolvo::DeclineContactInvitation: {
        const MJoinInvitation invitation(answer.value(InviteKey).toMap());
        if (!isObject(answer, InviteKey) || invitation.identifier() <= 0) {
            reportUnreadable(request);
            break;
        }
        emit invitationDeclined(invitation);
        break;
    }
    default:
        break;
    }
}

void MConversationsManagerWorker::readListing(const QVariantList &elements, qlonglong newsAfter,
                                              const QDateTime &serviceTime)
{
    // Thousands of conversations take several frames to read: they are read on a pool thread,
    // and announced here in the order their listings came.
    const auto listing = std::make_shared<Listing>();
    listing->newsAfter = newsAfter;
    listing->serviceTime = serviceTime;
    listings.append(listing);
    mRunAside(
        this,
        [elements = QVariantList(elements)]() mutable {
            MConversationList conversations;
            conversations.reserve(elements.size());
            for (const QVariant &element : qAsConst(elements))
                conversations.append(MConversation(element.toMap()));
            // The maps go here rather than on the main thread, unless the reply still holds them.
            elements.clear();
            return conversations;
        },
        [this, listing](MConversationList conversations) {
            listing->conversations = std::move(conversations);
            listing->read = true;
            announceReadListings();
        });
}

void MConversationsManagerWorker::announceReadListings()
{
    while (!listings.isEmpty() && listings.first()->read) {
        const std::shared_ptr<Listing> listing = listings.takeFirst();
        MConversationList conversations = std::move(listing->conversations);
        if (listing->newsAfter < 0) {
            for (const MConversation &conversation : qAsConst(conversations)) {
                newestListedConversation =
                    qMax(newestListedConversation, conversation.identifier());
                // Polled from the listing on, beside its pages: a sign-in's thousands of pages
                // would hold a conversation's news back until its own came.
                if (!lastMessageTimes.value(conversation.identifier()).time.isValid())
                    advanceCursor(conversation.identifier(), listing->serviceTime);
            }
            if (!conversations.isEmpty())
                emit conversationsReceived(conversations);
        } else {
            // Read back: the conversations a lost poll brought, as it would have. Those listed
            // before were handed over then, and wait for their pages.
            MConversationList news;
            const qlonglong newsAfter = qMax(listing->newsAfter, newestListedConversation);
            for (const MConversation &conversation : qAsConst(conversations)) {
                if (conversation.identifier() > newsAfter &&
                    !lastMessageTimes.value(conversation.identifier()).time.isValid()) {
                    followConversation(conversation, listing->serviceTime);
                    news.append(conversation);
                }
            }
            if (!news.isEmpty())
                emit conversationsReceived(news);
        }
        // Freed as they were made, off the main thread.
        QThreadPool::globalInstance()->start([conversations = std::move(conversations)] {});
    }
}

void MConversationsManagerWorker::listenForNotifications()
{
    if (!pendingPollRequests.isEmpty() || conversationsListingAwaited())
        return;
    readBackLostNews();
    const QList<QVariantMap> parts = pollParameters();
    QList<MNetworkRequest> requests;
    for (const QVariantMap &params : parts) {
        bool ok = false;
        MNetworkRequest request =
            mActionRequest(params.isEmpty() ? QVariant() : QVariant(params),
                           Tolvo::ConversationNotifications, QVariant(), &ok, false);
        if (!ok) {
            qCDebug(lcCoreSocial,
                    "MConversationsManager::startListeningForNotifications: cannot start "
                    "listening for notifications");
            return;
        }
        request.setTransferTimeout(PollTransferTimeout);
        // Ahead of the pages and people waiting for a connection: news is what the user waits
        // for.
        request.setPriority(QNetworkRequest::HighPriority);
        requests.append(request);
    }
    pollPartFailed = false;
    for (int i = 0; i < requests.size(); ++i)
        pendingPollRequests.insert(requestManager->sendRequest(requests.at(i)), parts.at(i));
}

QList<QVariantMap> MConversationsManagerWorker::pollParameters() const
{
    // Every part names the newest conversation known, listed or followed, though its page may
    // still be on its way; the conversations' cursors are shared out between the parts.
    QVariantMap common;
    const qlonglong newestKnown =
        qMax(newestListedConversation, lastMessageTimes.isEmpty() ? 0 : lastMessageTimes.lastKey());
    if (newestKnown > 0)
        common.insert(LastConversationKey, QString::number(newestKnown));
    bool ok = false;
    const MNetworkRequest bare =
        mActionRequest(common.isEmpty() ? QVariant() : QVariant(common),
                       Tolvo::ConversationNotifications, QVariant(), &ok, false);
    const int bareLength = ok ? bare.url().toEncoded().size() : 0;

    QList<QVariantMap> parts;
    QVariantMap part = common;
    int length = bareLength;
    for (auto it = lastMessageTimes.cbegin(); it != lastMessageTimes.cend(); ++it) {
        if (!it.value().time.isValid() || unreadConversations.contains(it.key()))
            continue;
        const QString key = QString::number(it.key());
        const QString value = QString::number(it.value().time.toSecsSinceEpoch());
        // The item and its separator ("?" or "&"), as they go on the wire.
        const int itemLength = mFormEncode({{key, value}}).size() + 1;
        if (part.size() > common.size() && length + itemLength > MaximumPollUrlBytes) {
            parts.append(part);
            part = common;
            length = bareLength;
        }
        part.insert(key, value);
        length += itemLength;
    }
    parts.append(part);
    return parts;
}

QString MConversationsManagerWorker::sendAction(const QVariant &params, int action,
                                                const QVariant &userData,
                                                QNetworkRequest::Priority priority)
{
    bool ok = false;
    MNetworkRequest request = mActionRequest(params, action, userData, &ok, false);
    request.setPriority(priority);
    // A listing that trickles in is never silent long enough to stall.
    if (action == Tolvo::ListConversations)
        request.setAnswerDeadline(mListingDeadline());
    return ok ? requestManager->sendRequest(request) : QString();
}

MUserAccount MConversationsManagerWorker::resolveSender(const QVariantMap &messageJson)
{
    const MUserAccount built(messageJson.value(QStringLiteral("sender")).toMap());
    if (built.id() < 0)
        return built;
    const auto cached = accounts.constFind(built.id());
    if (cached != accounts.cend())
        return cached.value();
    accounts.insert(built.id(), built);
    return built;
}

QList<MMessage> MConversationsManagerWorker::messagesFrom(const QVariantList &list,
                                                          const MConversation *conversation)
{
    QList<MMessage> messages;
    for (const QVariant &element : list) {
        const QVariantMap json = element.toMap();
        MMessage message(json);
        MUserAccount sender = resolveSender(json);
        if (conversation) {
            message.setConversation(*conversation);
            if (conversation->isMain())
                sender.setMainConversation(*conversation);
        }
        message.setSender(sender);
        messages.append(message);
    }
    return messages;
}

void MConversationsManagerWorker::advanceCursor(qlonglong conversationId,
                                                const QList<MMessage> &messages)
{
    QDateTime newest;
    for (const MMessage &message : messages) {
        if (message.createdAt().isValid() && (!newest.isValid() || message.createdAt() > newest))
            newest = message.createdAt();
    }
    advanceCursor(conversationId, newest);
    Cursor &cursor = lastMessageTimes[conversationId];
    const qint64 second = cursor.time.toSecsSinceEpoch();
    for (const MMessage &message : messages) {
        if (message.createdAt().isValid() && message.createdAt().toSecsSinceEpoch() == second)
            cursor.deliveredIds.insert(message.messageId());
        cursor.newestId = qMax(cursor.newestId, message.messageId());
    }
}

void MConversationsManagerWorker::advanceCursor(qlonglong conversationId, const QDateTime &time)
{
    if (!time.isValid())
        return;
    Cursor &cursor = lastMessageTimes[conversationId];
    if (cursor.time.isValid() && time.toSecsSinceEpoch() <= cursor.time.toSecsSinceEpoch())
        return;
    cursor.time = time;
    cursor.deliveredIds.clear();
}

void MConversationsManagerWorker::followConversation(const MConversation &conversation,
                                                     const QDateTime &serviceTime)
{
    const qlonglong id = conversation.identifier();
    if (lastMessageTimes.value(id).time.isValid())
        return;
    // Nothing in a conversation is older than the conversation itself.
    advanceCursor(id, conversation.createdAt().isValid() ? conversation.createdAt() : serviceTime);
}

void MConversationsManagerWorker::handleNews(const QVariantMap &answer,
                                             const QDateTime &serviceTime)
{
    const QVariantMap messagesByConversation = answer.value(MessagesKey).toMap();
    for (const QVariant &list : messagesByConversation) {
        QList<MMessage> fresh;
        for (const MMessage &message : messagesFrom(list.toList(), nullptr)) {
            const qlonglong id = message.conversation().identifier();
            if (!lastMessageTimes.value(id).deliveredIds.contains(message.messageId()))
                fresh.append(message);
        }
        if (fresh.isEmpty())
            continue;
        const MConversation conversation = fresh.first().conversation();
        advanceCursor(conversation.identifier(), fresh);
        emit messagesReceived(conversation, fresh);
    }

    QList<MUserAccount> contacts;
    for (const QVariant &element : answer.value(QStringLiteral("contacts")).toList())
        contacts.append(MUserAccount(element.toMap()));
    if (!contacts.isEmpty())
        emit newUserContacts(contacts);

    QList<MUserAccount> statuses;
    for (const QVariant &element : answer.value(QStringLiteral("statuses")).toList())
        statuses.append(MUserAccount(element.toMap()));

    MConversationList conversations;
    for (const QVariant &element : answer.value(QStringLiteral("conversations")).toList()) {
        const MConversation conversation(element.toMap());
        followConversation(conversation, serviceTime);
        conversations.append(conversation);
    }
    for (const QVariant &element : answer.value(InvitesKey).toList())
        emit contactJoinInvitation(MJoinInvitation(element.toMap()));
    if (!statuses.isEmpty())
        emit accountsChangedStatus(statuses);
    if (!conversations.isEmpty())
        emit conversationsReceived(conversations);
}

void MConversationsManagerWorker::pollPartFinished(const QString &requestId, bool succeeded)
{
    if (!pendingPollRequests.remove(requestId))
        return;
    pollPartFailed = pollPartFailed || !succeeded;
    // The parts answered have moved their conversations' cursors; a failed part's stay, and
    // the next poll asks for them again.
    if (pendingPollRequests.isEmpty())
        pollFinished(!pollPartFailed);
}

void MConversationsManagerWorker::pollFinished(bool succeeded)
{
    failedPolls = succeeded ? 0 : failedPolls + 1;
    if (succeeded) {
        pollFailureReported = false;
    } else if (failedPolls >= FailedPollsReported && !pollFailureReported) {
        pollFailureReported = true;
        MNotification notification(
            MNotification::ERROR,
            tr("New messages and invitations cannot be received at the moment. Lumarin keeps "
               "trying and shows them once the service answers again."),
            0);
        notification.setAttribute(MNotification::Action, int(Tolvo::ConversationNotifications));
        MNotificationManager::instance()->post(notification);
    }
    int delay = interval;
    for (int i = 0; i < failedPolls && delay < maximumInterval; ++i)
        delay *= 2;
    pollTimer.start(qMin(delay, maximumInterval));
}

void MConversationsManagerWorker::pollPartLost(const QString &requestId)
{
    const auto part = pendingPollRequests.constFind(requestId);
    if (part == pendingPollRequests.cend())
        return;
    noteLostPoll(part.value());
    pollPartFinished(requestId, false);
}

void MConversationsManagerWorker::noteLostPoll(const QVariantMap &parameters)
{
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        bool isConversation = false;
        const qlonglong id = it.key().toLongLong(&isConversation);
        if (isConversation)
            unreadConversations.insert(id);
    }
    // Without a conversation named, every conversation not handed over yet was news.
    const qlonglong named = parameters.value(LastConversationKey).toLongLong();
    newestNamedConversation =
        unreadListings.isEmpty() ? named : qMin(newestNamedConversation, named);
    unreadListings = {Tolvo::ListConversations, Tolvo::ListContacts, Tolvo::ContactInvitations};
    ++lostPolls;
}

void MConversationsManagerWorker::readBackLostNews()
{
    if (!readBackRequests.isEmpty() || !waitingReadBacks.isEmpty())
        return;
    for (const int action : qAsConst(unreadListings)) {
        waitingReadBacks.append(
            {action, action == Tolvo::ContactInvitations ? idParameter(0) : QVariantMap()});
    }
    // Each from its newest page again: a page read before a failure may be out of date.
    readBackPages.clear();
    for (const qlonglong id : qAsConst(unreadConversations))
        waitingReadBacks.append({Tolvo::ConversationMessages, readBackPage(id, 0)});
    sendWaitingReadBacks();
}

void MConversationsManagerWorker::sendWaitingReadBacks()
{
    while (readBackRequests.size() < ListingsInFlight && !waitingReadBacks.isEmpty()) {
        const QPair<int, QVariantMap> next = waitingReadBacks.takeFirst();
        const QString requestId =
            sendAction(next.second.isEmpty() ? QVariant() : QVariant(next.second), next.first,
                       QVariant(), QNetworkRequest::HighPriority);
        // Nobody signed in: the next poll tries again.
        if (requestId.isEmpty()) {
            waitingReadBacks.clear();
            return;
        }
        readBackRequests.insert(requestId, lostPolls);
    }
}

bool MConversationsManagerWorker::readBack(const QVariantMap &answer, int action,
                                           const MNetworkRequest &request,
                                           const MNetworkReply &reply)
{
    const int status = reply.statusCode();
    if (status != 200) {
        // Refused for good (a group the user was taken out of, say): there is nothing to read.
        const bool refused =
            status >= 400 && status < 500 && status != 401 && status != 408 && status != 429;
        if (refused && action == Tolvo::ConversationMessages) {
            const qlonglong id =
                request.userInfo().toMap().value(ReqMapKey).toMap().value(IdKey).toLongLong();
            unreadConversations.remove(id);
            readBackPages.remove(id);
        } else if (refused) {
            unreadListings.remove(action);
        }
        return refused;
    }
    if (action == Tolvo::ConversationMessages)
        return readBackMessages(answer, request);

    const QString key = action == Tolvo::ListConversations ? QStringLiteral("conversations")
                        : action == Tolvo::ListContacts    ? QStringLiteral("contacts")
                                                           : InvitesKey;
    const QVariant listed = answer.value(key);
    if (listed.type() != QVariant::List)
        return false;
    if (action == Tolvo::ListConversations) {
        readListing(listed.toList(), newestNamedConversation, serviceTime(reply));
    } else if (action == Tolvo::ListContacts) {
        QList<MUserAccount> contacts;
        for (const QVariant &element : listed.toList())
            contacts.append(MUserAccount(element.toMap()));
        // The news brings new contacts and changes of presence; the listing stands for both.
        if (!contacts.isEmpty()) {
            emit newUserContacts(contacts);
            emit accountsChangedStatus(contacts);
        }
    } else {
        for (const QVariant &element : listed.toList())
            emit contactJoinInvitation(MJoinInvitation(element.toMap()));
    }
    // A poll lost while it was in flight may have brought news made after its answer.
    if (readBackRequests.value(request.requestId()) == lostPolls)
        unreadListings.remove(action);
    return true;
}

bool MConversationsManagerWorker::readBackMessages(const QVariantMap &answer,
                                                   const MNetworkRequest &request)
{
    const qlonglong id =
        request.userInfo().toMap().value(ReqMapKey).toMap().value(IdKey).toLongLong();
    const QVariant listed = answer.value(MessagesKey);
    if (listed.type() != QVariant::List)
        return false;
    const MConversation conversation(answer.value(ConversationKey).toMap());
    const QList<MMessage> page = messagesFrom(listed.toList(), &conversation);
    QList<MMessage> &read = readBackPages[id];
    read.append(page);
    const Cursor cursor = lastMessageTimes.value(id);
    const qint64 second = cursor.time.toSecsSinceEpoch();
    // Newest first: a full page that does not reach back past the cursor's second, nor to the
    // newest message held, may not hold everything since. What is older is history, for the
    // pages the user asks for: the lost poll did not carry it.
    if (page.size() >= ReadBackPageSize && page.last().createdAt().isValid() &&
        page.last().createdAt().toSecsSinceEpoch() >= second &&
        page.last().messageId() > cursor.newestId) {
        waitingReadBacks.append(
            {Tolvo::ConversationMessages, readBackPage(id, page.last().messageId())});
        return true;
    }
    // What the poll or a page delivered already is not delivered again.
    QList<MMessage> unseen;
    for (const MMessage &message : qAsConst(read)) {
        const QDateTime at = message.createdAt();
        if (at.isValid() && at.toSecsSinceEpoch() >= second &&
            message.messageId() > cursor.newestId)
            unseen.append(message);
    }
    readBackPages.remove(id);
    unreadConversations.remove(id);
    if (!unseen.isEmpty()) {
        advanceCursor(id, unseen);
        emit messagesReceived(conversation, unseen);
    }
    return true;
}

void MConversationsManagerWorker::readBackEnded(const MNetworkRequest &request, bool read)
{
    readBackRequests.remove(request.requestId());
    // What failed is asked again with the next poll, a conversation from its newest page.
    if (!read) {
        qCDebug(lcCoreSocial) << "MConversationsManager: cannot read back"
                              << request.userInfo().toMap().value(ReqActionKey).toInt();
        readBackPages.remove(
            request.userInfo().toMap().value(ReqMapKey).toMap().value(IdKey).toLongLong());
    }
    sendWaitingReadBacks();
}
