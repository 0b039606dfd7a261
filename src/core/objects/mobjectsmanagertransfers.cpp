#include "mobjectsmanager.h"
#include "mobjectsmanager_p.h"

#include "corelogging.h"
#include "mconfinedfolder.h"
#include "mnotificationmanager.h"
#include "mobjectsender.h"
#include "mobjectsvirtualfilesystem.h"
#include "mrunaside.h"
#include "mtransfernotifications.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

// What the caller gets for an upload refused because its destination exists.
MObjectTransfer fileExistsTransfer(const MObjectTransferRequest &request)
{
    MTransferNotifications::postFileExistsErrorNotification(Tolvo::UploadObject, request);
    MObjectTransfer transfer;
    transfer.setTransferRequest(request);
    transfer.setErrorCode(Tolvo::LocalFileExists);
    transfer.setState(MObjectTransfer::Error);
    return transfer;
}

// The member requests of an upload of the folder at source into destination; any thread.
QList<MObjectTransferRequest> directoryRequests(const QString &source, const QString &destination,
                                                int action, QStringList *files)
{
    const QDir sourceFolder(source);
    QList<MObjectTransferRequest> requests;
    QDirIterator found(sourceFolder.path(),
                       QDir::Files | QDir::NoSymLinks | QDir::Readable | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
    while (found.hasNext()) {
        const QString file = found.next();
        // Relative to the folder itself, not by removing its name wherever it recurs.
        const QString remote = QDir::cleanPath(QLatin1Char('/') + destination + QLatin1Char('/') +
                                               sourceFolder.relativeFilePath(file));
        MObjectTransferRequest member(file, remote, 0);
        if (action == 0)
            member.setAttribute(MObjectTransferRequest::RequestType,
                                QVariant::fromValue(Tolvo::UploadObject));
        else
            member.setAction(action);
        requests.append(member);
        files->append(file);
    }
    return requests;
}

} // namespace

bool MObjectsManagerPrivate::moveIntoCache(const QString &source, const QString &local)
{
    // Never onto a file there, nor through a link planted in the cache: the file would land
    // wherever it points.
    const QFileInfo existing(local);
    if (!local.isEmpty() && !existing.exists() && !existing.isSymLink() &&
        MConfinedFolder(vfs->fileSystemPath()).moveInto(source, local))
        return true;
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
    // Behind a folder still being read: queued once it is, in the order asked.
    if (d->unendedDirectoryReads > 0) {
        d->transfersAfterReads.append(request);
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

void MObjectsManager::transferObjects(const QList<MObjectTransferRequest> &requests)
{
    Q_D(MObjectsManager);
    QList<MObjectTransferRequest> downloads;
    const auto scheduleDownloads = [&] {
        if (!downloads.isEmpty())
            d->sender->scheduleTransfers(std::exchange(downloads, {}));
    };
    for (const MObjectTransferRequest &request : requests) {
        if (!d->sender || d->unendedDirectoryReads > 0 || request.direction() == Tolvo::Upload) {
            scheduleDownloads();
            transferObject(request);
            continue;
        }
        MObjectTransferRequest r = request;
        r.setAction(Tolvo::DownloadObject);
        downloads.append(r);
    }
    scheduleDownloads();
}

MObjectTransferGroup MObjectsManager::transferDirectory(const MObjectTransferRequest &request)
{
    return d_func()->transferDirectory(request, 0, QString());
}

bool MObjectsManagerPrivate::prepareDirectoryUpload(const MObjectTransferRequest &request,
                                                    MObjectTransferRequest *r)
{
    if (!QFileInfo(request.sourcePath()).isDir()) {
        qCWarning(lcCoreObjects) << "Unexpected non-directory source for transfer request ("
                                 << request.sourcePath() << ")";
        return false;
    }
    if (!sender) {
        qCWarning(lcCoreObjects, "(MObjectsManager) Transfer refused: the manager is not started");
        return false;
    }
    *r = request;
    if (request.shouldCache()) {
        if (vfs->containsObject(request.destinationPath())) {
            MTransferNotifications::postFileExistsErrorNotification(Tolvo::UploadObject, request);
            return false;
        }
        const QString local = vfs->localPath(request.destinationPath());
        if (!moveIntoCache(request.sourcePath(), local))
            return false;
        r->setSourcePath(local);
    }
    return true;
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
    MObjectTransferRequest r;
    if (!prepareDirectoryUpload(request, &r))
        return MObjectTransferGroup();
    const QString folder = QFileInfo(r.sourcePath()).absoluteFilePath();
    QStringList files;
    const QList<MObjectTransferRequest> requests =
        directoryRequests(folder, r.destinationPath(), action, &files);
    // One index write for the whole folder.
    if (r.shouldCache() && !files.isEmpty())
        vfs->addObjects(files, false);
    if (requests.isEmpty())
        return MObjectTransferGroup();
    return sender->scheduleTransferGroup(requests, request,
                                         identifier.isEmpty() ? folder : identifier);
}

void MObjectsManager::transferDirectoryInBackground(const MObjectTransferRequest &request)
{
    Q_D(MObjectsManager);
    if (request.direction() != Tolvo::Upload) {
        d->transferDirectory(request, 0, QString());
        return;
    }
    // The engine may be gone before a read started now ends.
    if (d->senderStopping) {
        qCWarning(lcCoreObjects,
                  "(MObjectsManager) Transfer refused: the manager is shutting down");
        return;
    }
    MObjectTransferRequest r;
    if (!d->prepareDirectoryUpload(request, &r))
        return;
    const QString folder = QFileInfo(r.sourcePath()).absoluteFilePath();
    const QString destination = r.destinationPath();
    const bool cache = r.shouldCache();
    // The engine outlives the read: shutdown() and the destructor wait for it first.
    MObjectSender *sender = d->sender;
    ++d->unendedDirectoryReads;
    d->directoryReads.append(mRunAside(
        this,
        [=] {
            QStringList files;
            const QList<MObjectTransferRequest> requests =
                directoryRequests(folder, destination, 0, &files);
            if (!requests.isEmpty())
                sender->scheduleTransferGroup(requests, request, folder);
            return cache ? files : QStringList();
        },
        // After the group's own announcement, which is queued to the manager already.
        [d](const QStringList &files) { d->directoryReadEnded(files); }));
}

void MObjectsManagerPrivate::directoryReadEnded(const QStringList &cachedFiles)
{
    Q_Q(MObjectsManager);
    // One index write for the whole folder.
    if (!cachedFiles.isEmpty() && vfs)
        vfs->addObjects(cachedFiles, false);
    for (auto it = directoryReads.begin(); it != directoryReads.end();) {
        if (it->isFinished())
            it = directoryReads.erase(it);
        else
            ++it;
    }
    if (--unendedDirectoryReads > 0)
        return;
    const QList<MObjectTransferRequest> held = std::exchange(transfersAfterReads, {});
    for (const MObjectTransferRequest &request : held)
        q->transferObject(request);
}

void MObjectsManagerPrivate::waitForDirectoryReads()
{
    for (QFuture<void> &read : directoryReads)
        read.waitForFinished();
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
    Q_D(MObjectsManager);
    // Paused already (the engine says nothing more then): answered at once, so that whoever
    // asked does not wait for good.
    const MObjectTransfer stored = MObjectTransfer::fromIdentifier(transfer.identifier());
    if (d->sender && stored.isValid() && stored.state() == MObjectTransfer::Paused) {
        d->reportPaused(stored);
        return;
    }
    if (MObjectSender *sender = d->sender)
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
