#include "mcontactsmanager.h"
#include "mcontactsmanager_p.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mjsonrequestmanager.h"
#include "mnotificationmanager.h"
#include "mrunaside.h"
#include "socialrecordtypes.h"
#include "tolvo.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QVariantList>
#include <QVariantMap>

namespace {

// Listings of this many contacts on are read on a pool thread: two thousand take a frame or
// two to read.
constexpr int LongListing = 100;

QList<MUserAccount> accounts(const QVariantList &elements)
{
    QList<MUserAccount> result;
    result.reserve(elements.size());
    for (const QVariant &element : elements)
        result.append(MUserAccount(element.toMap()));
    return result;
}

} // namespace

MContactsManagerPrivate::MContactsManagerPrivate(MContactsManager *q)
    : q_ptr(q)
{}

void MContactsManagerPrivate::send(const QVariant &parameters, int action)
{
    bool ok = false;
    const MNetworkRequest request = mActionRequest(parameters, action, QVariant(), &ok, false);
    if (ok)
        jsonManager->sendRequest(request);
}

void MContactsManagerPrivate::errorForRequestSlot(const MNetworkRequest &,
                                                  QNetworkReply::NetworkError code)
{
    qCDebug(lcCoreSocial).nospace()
        << "MContactsManagerPrivate::errorForRequestSlot: error (" << int(code) << ")";
}

void MContactsManagerPrivate::responseObjectReadySlot(const QVariant &responseObject,
                                                      const MNetworkRequest &request,
                                                      const MNetworkReply &reply)
{
    Q_Q(MContactsManager);
    const QVariantMap answer = responseObject.toMap();
    const int action = request.userInfo().toMap().value(ReqActionKey).toInt();
    const int status = reply.statusCode();
    if (status == 200) {
        switch (action) {
        case Tolvo::InviteContact: {
            const MUserAccount account(answer.value(QStringLiteral("user")).toMap());
            // No invitation of nobody: an answer without the user is told as unreadable.
            if (account.email().isEmpty()) {
                reportFailure(request, 0, answer);
                break;
            }
            emit q->inviteSent(account.email());
            emit q->newConnection(account);
            break;
        }
        case Tolvo::ListContacts:
            // An answer without the list says nothing of the contacts: they are not emptied.
            if (answer.value(QStringLiteral("contacts")).type() != QVariant::List) {
                qCWarning(lcCoreSocial) << "[MContactsManager] A contacts listing came without "
                                           "its contacts";
                break;
            }
            readListing(answer.value(QStringLiteral("contacts")).toList());
            break;
        case Tolvo::SearchContacts:
            // No list of users is no answer to the search: it is told as one unreadable.
            if (answer.value(QStringLiteral("users")).type() != QVariant::List) {
                reportFailure(request, 0, answer);
                break;
            }
            emit q->contactsResult(accounts(answer.value(QStringLiteral("users")).toList()),
                                   answer.value(QStringLiteral("query")).toString());
            break;
        default:
            break;
        }
    } else if (status == 404 && action == Tolvo::SearchContacts) {
        emit q->contactsResult({}, answer.value(QStringLiteral("query")).toString());
    } else if (action == Tolvo::InviteContact || action == Tolvo::SearchContacts) {
        reportFailure(request, status, answer);
    } else if (status == 404) {
        const QVariantList errors = answer.value(QStringLiteral("errors")).toList();
        // Without a message there is nothing to tell the user.
        if (errors.isEmpty()) {
            qCDebug(lcCoreSocial) << "[MContactsManager] (action" << action
                                  << ") 404 without a message";
            return;
        }
        MNotification notification(MNotification::ERROR, errors.first().toString(), 0);
        notification.setAttribute(MNotification::Action, action);
        MNotificationManager::instance()->post(notification);
    } else {
        qCDebug(lcCoreSocial) << "[MContactsManager] (action" << action
                              << ") response code:" << status;
        qCDebug(lcCoreSocial) << answer;
    }
}

void MContactsManagerPrivate::readListing(const QVariantList &elements)
{
    const auto listing = std::make_shared<Listing>();
    listings.append(listing);
    if (elements.size() < LongListing) {
        listing->contacts = accounts(elements);
        listing->read = true;
        announceReadListings();
        return;
    }
    mRunAside(
        q_ptr,
        [elements = QVariantList(elements)]() mutable {
            QList<MUserAccount> contacts = accounts(elements);
            // The maps go here rather than on the main thread, unless the reply still holds them.
            elements.clear();
            return contacts;
        },
        [this, listing](QList<MUserAccount> contacts) {
            listing->contacts = std::move(contacts);
            listing->read = true;
            announceReadListings();
        });
}

void MContactsManagerPrivate::announceReadListings()
{
    Q_Q(MContactsManager);
    while (!listings.isEmpty() && listings.first()->read)
        emit q->contactsReady(listings.takeFirst()->contacts);
}

void MContactsManagerPrivate::reportFailure(const MNetworkRequest &request, int status,
                                            const QVariantMap &answer)
{
    Q_Q(MContactsManager);
    const QVariantMap info = request.userInfo().toMap();
    const QVariantMap parameters = info.value(ReqMapKey).toMap();
    const QString reason = answer.value(QStringLiteral("errors")).toList().value(0).toString();
    qCDebug(lcCoreSocial) << "[MContactsManager] (action" << info.value(ReqActionKey).toInt()
                          << ") failed with status" << status;
    // What the user asked for, from the request: a failed answer may carry nothing.
    if (info.value(ReqActionKey).toInt() == Tolvo::InviteContact)
        emit q->inviteFailed(parameters.value(QStringLiteral("email")).toString(), status, reason);
    else
        emit q->searchFailed(parameters.value(QStringLiteral("q")).toString(), status, reason);
}

void MContactsManagerPrivate::decodeErrorSlot(const MNetworkRequest &request,
                                              const QByteArray &data, const MNetworkReply &reply)
{
    qCDebug(lcCoreSocial) << "MContactsManagerPrivate::decodeErrorSlot: data:" << data;
    const int action = request.userInfo().toMap().value(ReqActionKey).toInt();
    if (action == Tolvo::InviteContact || action == Tolvo::SearchContacts)
        reportFailure(request, reply.statusCode() == 200 ? 0 : reply.statusCode(), {});
}

MContactsManager::MContactsManager(QObject *parent)
    : QObject(parent)
    , d_ptr(new MContactsManagerPrivate(this))
{
    Q_D(MContactsManager);
    registerSocialRecordTypes();
    d->jsonManager = new MJsonRequestManager(this);
    // An expired token is refreshed and the request sent again instead of failing.
    d->jsonManager->setRetryAuthenticatedRequests(true);
    connect(d->jsonManager,
            qOverload<const MNetworkRequest &, QNetworkReply::NetworkError>(
                &MNetworkRequestManager::errorForRequest),
            this, [d](const MNetworkRequest &request, QNetworkReply::NetworkError code) {
                d->errorForRequestSlot(request, code);
            });
    connect(
        d->jsonManager, &MJsonRequestManager::responseObjectReady, this,
        [d](const QVariant &object, const MNetworkRequest &request, const MNetworkReply &reply) {
            d->responseObjectReadySlot(object, request, reply);
        });
    connect(d->jsonManager, &MJsonRequestManager::decodeError, this,
            [d](const MNetworkRequest &request, const QByteArray &data,
                const MNetworkReply &reply) { d->decodeErrorSlot(request, data, reply); });
}

MContactsManager::~MContactsManager() = default;

void MContactsManager::listContacts()
{
    d_func()->send(QVariant(), Tolvo::ListContacts);
}

void MContactsManager::search(const QString &query)
{
    d_func()->send(QVariantMap{{QStringLiteral("q"), query}}, Tolvo::SearchContacts);
}

void MContactsManager::invite(const QString &email)
{
    d_func()->send(QVariantMap{{QStringLiteral("email"), email}}, Tolvo::InviteContact);
}
