#include "mdevicesmanager.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mjsonrequestmanager.h"
#include "tolvo.h"
#include "tolvoprocess.h"

#include <QTimer>
#include <QVariantList>

MDevicesManager::MDevicesManager(QObject *parent)
    : QObject(parent)
    , m_requests(new MJsonRequestManager(this))
{
    // An expired token is refreshed and the request sent again instead of failing.
    m_requests->setRetryAuthenticatedRequests(true);
    connect(
        m_requests, &MJsonRequestManager::responseObjectReady, this,
        [this](const QVariant &answer, const MNetworkRequest &request, const MNetworkReply &reply) {
            finish(request, answer.toMap(), reply.statusCode());
        });
    connect(m_requests, &MJsonRequestManager::decodeError, this,
            [this](const MNetworkRequest &request, const QByteArray &, const MNetworkReply &reply) {
                fail(request, reply.statusCode() == 200
                                  ? tr("The service's answer could not be read.")
                                  : statusMessage(reply.statusCode()));
            });
    connect(m_requests,
            qOverload<const MNetworkRequest &, QNetworkReply::NetworkError>(
                &MNetworkRequestManager::errorForRequest),
            this, [this](const MNetworkRequest &request, QNetworkReply::NetworkError code) {
                // An answer with an error status is told with its status, as it arrives.
                if (code < QNetworkReply::ContentAccessDenied)
                    fail(request, tr("The service could not be reached."));
            });
    connect(m_requests, &MNetworkRequestManager::requestCanceled, this,
            [this](const MNetworkRequest &request) {
                fail(request, tr("The request was cancelled."));
            });
}

MDevicesManager::~MDevicesManager() = default;

QString MDevicesManager::statusMessage(int status)
{
    // No status at all means no answer came: the connection failed or was dropped.
    if (status <= 0)
        return tr("The service could not be reached.");
    return tr("The service answered with status %1.").arg(status);
}

void MDevicesManager::listDevices()
{
    bool ok = false;
    const MNetworkRequest request =
        mActionRequest(QVariant(), Tolvo::ListDevices, QVariant(), &ok, false);
    if (!ok) {
        // Answered later, as every other outcome is.
        QTimer::singleShot(0, this, [this] { emit devicesFailed(tr("Nobody is signed in.")); });
        return;
    }
    m_requests->sendRequest(request);
}

void MDevicesManager::fail(const MNetworkRequest &request, const QString &message)
{
    // A request tells its fate once, whichever way it ends.
    if (m_answered.contains(request.requestId()))
        return;
    m_answered.insert(request.requestId());
    qCDebug(lcCoreAuth) << "Listing devices failed:" << message;
    emit devicesFailed(message);
}

void MDevicesManager::finish(const MNetworkRequest &request, const QVariantMap &answer, int status)
{
    if (status != 200) {
        fail(request, statusMessage(status));
        return;
    }
    if (answer.value(QStringLiteral("devices")).type() != QVariant::List) {
        fail(request, tr("The service's answer could not be read."));
        return;
    }
    m_answered.insert(request.requestId());
    QList<MDevice> devices;
    const QVariantList list = answer.value(QStringLiteral("devices")).toList();
    for (const QVariant &element : list) {
        if (element.type() == QVariant::Map)
            devices.append(MDevice(element.toMap()));
    }
    emit devicesReady(devices);
}
