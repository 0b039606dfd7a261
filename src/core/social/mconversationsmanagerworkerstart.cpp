// A conversation started without a clear answer: read the conversations again before saying
// it failed, since the service may have made it before its answer was lost.
#include "mconversationsmanagerworker.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "muserauthmanager.h"
#include "tolvo.h"

#include <QDebug>
#include <QSet>

namespace {

const QString StartInfoKey = QStringLiteral("start");
const QString StatusKey = QStringLiteral("status");
const QString ReasonKey = QStringLiteral("reason");

QSet<QString> lowerCase(const QStringList &emails)
{
    QSet<QString> set;
    for (const QString &email : emails)
        set.insert(email.toLower());
    return set;
}

} // namespace

qlonglong MConversationsManagerWorker::newestKnownConversation() const
{
    return qMax(newestListedConversation,
                lastMessageTimes.isEmpty() ? 0 : lastMessageTimes.lastKey());
}

void MConversationsManagerWorker::checkStartMade(const MNetworkRequest &start, int status,
                                                 const QString &reason)
{
    qCDebug(lcCoreSocial) << "MConversationsManager: start failed with" << status
                          << "- reading the conversations again";
    const QString requestId = sendAction(QVariant(), Tolvo::ListConversations);
    if (requestId.isEmpty()) {
        emit conversationStartFailed(status, reason);
        return;
    }
    startChecks.insert(
        requestId, {{StartInfoKey, start.userInfo()}, {StatusKey, status}, {ReasonKey, reason}});
}

void MConversationsManagerWorker::startChecked(const QVariantMap &answer,
                                               const MNetworkRequest &listing, bool ok)
{
    const QVariantMap check = startChecks.take(listing.requestId());
    const QVariantMap start = check.value(StartInfoKey).toMap();
    const QVariantMap asked = start.value(ReqMapKey).toMap();
    // Made by this start: newer than every conversation known when it was sent, with its
    // name and its people, the user among them.
    const qlonglong newestBefore = start.value(MObjectRequestUserDataKey).toLongLong();
    const QString name = asked.value(QStringLiteral("name")).toString();
    QSet<QString> people = lowerCase(asked.value(QStringLiteral("users")).toStringList());
    const QString me = MUserAuthManager::applicationManager()->account().email();
    if (!me.isEmpty())
        people.insert(me.toLower());
    const QVariantList listed =
        ok ? answer.value(QStringLiteral("conversations")).toList() : QVariantList();
    for (const QVariant &element : listed) {
        const MConversation conversation(element.toMap());
        if (conversation.identifier() <= newestBefore || conversation.name() != name)
            continue;
        QStringList members;
        for (const MUserAccount &member : conversation.participants())
            members.append(member.email());
        if (lowerCase(members) == people) {
            emit conversationStarted(conversation);
            return;
        }
    }
    emit conversationStartFailed(check.value(StatusKey).toInt(), check.value(ReasonKey).toString());
}
