#include "mobjectsmanager.h"
#include "mobjectsmanager_p.h"

#include "corelogging.h"
#include "mnotificationmanager.h"
#include "mobjectsender.h"
#include "mobjectsvirtualfilesystem.h"
#include "tolvoapp.h"
#include "tolvoappimpl.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

// What the caller gets for an upload refused because its destination exists.
MObjectTransfer fileExistsTransfer(const MObjectTransferRequest &request)
{
    MNotificationManager::instance()->postFileExistsErrorNotification(Tolvo::UploadObject, request);
    MObjectTransfer transfer;
    transfer.setTransferRequest(request);
    transfer.setErrorCode(Tolvo::LocalFileExists);
    transfer.setState(MObjectTransfer::Error);
    return transfer;
}

} // namespace

bool MObjectsManagerPrivate::moveIntoCache(const QString &source, const QString &local)
{
    if (!local.isEmpty()) {
        QDir(QFileInfo(local).path()).mkpath(QStringLiteral("."));
        if (QFile::rename(source, local))
            return true;
    }
    qCWarning(lcCoreObjects) << "Cannot move" << source << "to" << local;
    return false;
}

MObjectTransfer MObjectsManager::transferObject(const MObjectTransferRequest &request)
{
    Q_D(MObjectsManager);
    if (!d->sender) {
        qCWarning(lcCoreObjects, "(MObjectsManager) Transfer refused: the manager is not started");
        return MObjectTransfer();
    }
    MObjectTransferRequest r = request;
    if (request.direction() != Tolvo::Upload) {
        r.setAction(Tolvo::DownloadObject);
        return d->sender->scheduleTransfer(r);
    }
    const bool force = Tolvo::TransferMode(request.mode()).testFlag(Tolvo::ForceUpload);
    if (!force && d->listingsCache.containsObject(request.destinationPath()))
        return fileExistsTransfer(request);
    // Before any move: a folder moved into the cache would then be sent as a file.
    if (QFileInfo(request.sourcePath()).isDir()) {
        qCWarning(lcCoreObjects) << "MObjectsManager::transferObject cannot transfer dir"
                                 << request.sourcePath() << ": use transferDirectory";
        return MObjectTransfer();
    }
    if (request.shouldCache()) {
        if (!force && d->vfs->containsObject(request.destinationPath()))
            return fileExistsTransfer(request);
        const QString local = d->vfs->localPath(request.destinationPath());
        if (!d->moveIntoCache(request.sourcePath(), local))
            return MObjectTransfer();
        r.setSourcePath(local);
        // Consolidated only once the service has it (see transferStateChanged): a copy whose
        // upload failed must not claim to be on the service.
        d->vfs->addObject(local, false);
    }
    r.setAction(Tolvo::UploadObject);
    return d->sender->scheduleTransfer(r);
}

MObjectTransferGroup MObjectsManager::transferDirectory(const MObjectTransferRequest &request)
{
    return d_func()->transferDirectory(request, 0, QString());
}

MObjectTransferGroup
MObjectsManagerPrivate::transferDirectory(const MObjectTransferRequest &request, int action,
                                          const QString &identifier)
{
    if (request.direction() != Tolvo::Upload) {
        const QString source = remotePath(request.sourcePath());
        if (!listingsCache.contains(source))
            sendInternalListing(source);
        return MObjectTransferGroup();
    }
    if (!QFileInfo(request.sourcePath()).isDir()) {
        qCWarning(lcCoreObjects) << "Unexpected non-directory source for transfer request ("
                                 << request.sourcePath() << ")";
        return MObjectTransferGroup();
    }
    if (!sender) {
        qCWarning(lcCoreObjects, "(MObjectsManager) Transfer refused: the manager is not started");
        return MObjectTransferGroup();
    }
    MObjectTransferRequest r = request;
    if (request.shouldCache()) {
        if (vfs->containsObject(request.destinationPath())) {
            MNotificationManager::instance()->postFileExistsErrorNotification(Tolvo::UploadObject,
                                                                              request);
            return MObjectTransferGroup();
        }
        const QString local = vfs->localPath(request.destinationPath());
        if (!moveIntoCache(request.sourcePath(), local))
            return MObjectTransferGroup();
        r.setSourcePath(local);
    }

    const QDir sourceFolder(QFileInfo(r.sourcePath()).absoluteFilePath());
    QList<MObjectTransferRequest> requests;
    QStringList cachedFiles;
    QDirIterator files(sourceFolder.path(),
                       QDir::Files | QDir::NoSymLinks | QDir::Readable | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        // Relative to the folder itself, not by removing its name wherever it recurs.
        const QString remote =
            QDir::cleanPath(QLatin1Char('/') + r.destinationPath() + QLatin1Char('/') +
                            sourceFolder.relativeFilePath(file));
        qCDebug(lcCoreObjects) << "Scheduled transfer for" << remote;
        MObjectTransferRequest member(file, remote, 0);
        if (action == 0)
            member.setAttribute(MObjectTransferRequest::RequestType,
                                QVariant::fromValue(Tolvo::UploadObject));
        else
            member.setAction(action);
        requests.append(member);
        if (r.shouldCache())
            cachedFiles.append(file);
    }
    // One index write for the whole folder.
    if (!cachedFiles.isEmpty())
        vfs->addObjects(cachedFiles, false);
    if (requests.isEmpty())
        return MObjectTransferGroup();
    return sender->scheduleTransferGroup(requests, request,
                                         identifier.isEmpty() ? sourceFolder.path() : identifier);
}

// The engine queues these onto its own thread in the order they are asked for; a hop through
// the thread pool would let a resume overtake the pause before it, and outlive the engine.
void MObjectsManager::cancelTransfer(const MObjectTransfer &transfer)
{
    if (MObjectSender *sender = d_func()->sender)
        sender->cancelTransfer(transfer);
}

void MObjectsManager::pauseTransfer(const MObjectTransfer &transfer)
{
    if (MObjectSender *sender = d_func()->sender)
        sender->pauseTransfer(transfer);
}

void MObjectsManager::resumeTransfer(const MObjectTransfer &transfer)
{
    if (MObjectSender *sender = d_func()->sender)
        sender->resumeTransfer(transfer);
}

void MObjectsManager::cancelGroup(const MObjectTransferGroup &group)
{
    if (MObjectSender *sender = d_func()->sender)
        sender->cancelGroup(group);
}

void MObjectsManager::pauseGroup(const MObjectTransferGroup &group)
{
    if (MObjectSender *sender = d_func()->sender)
        sender->pauseGroup(group);
}

void MObjectsManager::resumeGroup(const MObjectTransferGroup &group)
{
    if (MObjectSender *sender = d_func()->sender)
        sender->resumeGroup(group);
}
