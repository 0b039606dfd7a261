#include "mdevicesmanager.h"

#include "corelogging.h"
#include "mnetworkrequestmanager.h"
#include "tolvo.h"
#include "tolvoapp.h"
#include "tolvoappimpl.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QVariantList>

MDevicesManager::MDevicesManager(QObject *parent)
    : QObject(parent)
    , m_requests(new MNetworkRequestManager(this))
{
    // An expired token is refreshed and the request sent again instead of failing.
    m_requests->setRetryAuthenticatedRequests(true);
    connect(m_requests, &MNetworkRequestManager::replyFinishedForRequest, this,
            [this](const MNetworkRequest &, const MNetworkReply &reply) {
                finish(reply.body(), reply.statusCode());
            });
    connect(
        m_requests, &MNetworkRequestManager::requestCanceled, this,
        [this](const MNetworkRequest &) { emit devicesFailed(tr("The request was cancelled.")); });
}

MDevicesManager::~MDevicesManager() = default;

void MDevicesManager::listDevices()
{
    bool ok = false;
    const MNetworkRequest request = TolvoApp::instance()->createActionRequest(
        QVariant(), Tolvo::ListDevices, QVariant(), &ok, false);
    if (!ok) {
        // Answered later, as every other outcome is.
        QTimer::singleShot(0, this, [this] { emit devicesFailed(tr("Nobody is signed in.")); });
        return;
    }
    m_requests->sendRequest(request);
}

void MDevicesManager::finish(const QByteArray &body, int status)
{
    if (status != 200) {
        qCDebug(lcCoreAuth) << "Listing devices failed, status" << status;
        emit devicesFailed(status == 0 ? tr("The service could not be reached.")
                                       : tr("The service answered with status %1.").arg(status));
        return;
    }
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject() || !document.object().value(QLatin1String("devices")).isArray()) {
        emit devicesFailed(tr("The service's answer could not be read."));
        return;
    }
    QList<MDevice> devices;
    const QVariantList list =
        document.object().value(QLatin1String("devices")).toArray().toVariantList();
    for (const QVariant &element : list) {
        if (element.type() == QVariant::Map)
            devices.append(MDevice(element.toMap()));
    }
    emit devicesReady(devices);
}
