// The interface's entry for transfers, and the marks on the files that downloads are writing.
#include "mctransfers.h"

#include "mcdownloadmarks.h"
#include "moconstants.h"
#include "mocorenotification.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjecttransfer.h"
#include "moobjecttransferrequest.h"
#include "motransfernotification.h"

#include <QFileInfo>

MCTransfers::MCTransfers(QObject *parent)
    : MCTransferStarter(parent)
    , m_downloadMarks(std::make_unique<MCDownloadMarks>())
{}

MCTransfers::~MCTransfers() = default;

void MCTransfers::downloadFileAtPath(const QString &remotePath, const QString &toPath,
                                     const QVariantMap &userData, qint64 overwriteStrategy)
{
    MOObjectTransferRequest request(remotePath, toPath, MOObjectTransferRequest::Download);
    request.setOverwriteStrategy(overwriteStrategy);
    request.setUserData(userData);
    transferObject(request);
}

void MCTransfers::uploadFileAtPath(const QString &localPath, const QString &toPath,
                                   bool shouldCache, const QVariantMap &userData)
{
    MOObjectTransferRequest request(localPath, toPath, MOObjectTransferRequest::Upload);
    request.setShouldCache(shouldCache);
    request.setUserData(userData);
    if (QFileInfo(localPath).isDir())
        MOObjectsManager::sharedInstance()->transferDirectory(request);
    else
        transferObject(request);
}

void MCTransfers::transferObject(const MOObjectTransferRequest &request)
{
    MOObjectsManager::sharedInstance()->transferObject(request);
}

void MCTransfers::observeTransfers()
{
    MONotificationCenter *objects = MOObjectsManager::sharedInstance()->notificationCenter();
    for (const QString &name :
         {MOObjectTransferWillStartNotification, MOObjectTransferDidProgressNotification,
          MOObjectTransferDidFinishNotification, MOObjectTransferDidCancelNotification,
          MOObjectTransferDidAbortNotification}) {
        objects->removeObserver(this, name);
        objects->addObserver(this, &MCTransfers::objectTransferProgressNotification, name);
    }
}

void MCTransfers::objectTransferProgressNotification(const MOPostedNotification &notification)
{
    const MOTransferNotification reader(notification);
    const qint64 type = reader.requestType();
    if (type == MOCoreNotification::UploadCached || type == MOCoreNotification::DownloadToCache ||
        reader.isCaching())
        return;
    const MOObjectTransfer transfer = reader.transfer();
    const MOObjectTransferRequest request = transfer.transferRequest();
    if (request.direction() != MOObjectTransferRequest::Download)
        return;
    // Later notifications carry the name the transfer resolved (a free name, say).
    const QString destination = request.destinationPath();
    if (destination.isEmpty())
        return;
    const QString &name = notification.name;
    if (name == MOObjectTransferWillStartNotification) {
        // Only where the download writes this very name anyway: a file made here would take
        // the name a free-name download looks for, or fail one that must not overwrite.
        const auto strategy = request.overwriteStrategy();
        if (strategy == MOObjectTransferRequest::Replace ||
            strategy == MOObjectTransferRequest::Resume)
            m_downloadMarks->addPlaceholder(destination);
    } else if (name == MOObjectTransferDidProgressNotification) {
        const qint64 size = transfer.storageObject().size();
        const float fraction =
            size > 0 ? float(transfer.totalTransferredBytes()) / float(size) : 0.0f;
        m_downloadMarks->setFractionCompleted(destination, double(fraction));
    } else if (name == MOObjectTransferDidFinishNotification) {
        m_downloadMarks->finish(destination);
    } else {
        m_downloadMarks->abandon(destination);
    }
}
