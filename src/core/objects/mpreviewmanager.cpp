#include "mpreviewmanager.h"
#include "mpreviewmanager_p.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mfilenames.h"
#include "tolvoprocess.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QMutexLocker>
#include <QSaveFile>
#include <QTimer>

#include <cmath>

namespace {

constexpr int PassDelayMs = 500;
const QByteArray ThumbnailsHeader = QByteArrayLiteral("x-kerlo-thumbnails");

// Size to its name on the wire, in ascending order of size.
const QMap<int, QString> &sizeNames()
{
    static const QMap<int, QString> names{{MPreviewManager::ExtraSmall, QStringLiteral("xs")},
                                          {MPreviewManager::Small, QStringLiteral("s")},
                                          {MPreviewManager::Medium, QStringLiteral("m")},
                                          {MPreviewManager::Large, QStringLiteral("l")},
                                          {MPreviewManager::ExtraLarge, QStringLiteral("xl")}};
    return names;
}

// 0 for a name outside the table.
int sizeForName(const QString &name)
{
    static const QHash<QString, int> sizes = [] {
        QHash<QString, int> result;
        for (auto it = sizeNames().cbegin(); it != sizeNames().cend(); ++it)
            result.insert(it.value(), it.key());
        return result;
    }();
    return sizes.value(name);
}

} // namespace

MPreviewManagerPrivate::MPreviewManagerPrivate(MPreviewManager *q)
    : q_ptr(q)
    , requestManager(std::make_unique<MNetworkRequestManager>())
{
    if (MNetworkRequestManager *application = MNetworkRequestManager::applicationManager())
        requestManager->setSslConfiguration(application->sslConfiguration());
    requestManager->setRetryAuthenticatedRequests(true);
    writers.setMaxThreadCount(1);
}

void MPreviewManagerPrivate::queueRequest(const QString &path, MPreviewManager::PreviewSize size)
{
    if (!MPreviewManager::isPathPreviewable(path) || mPathHasParentComponent(path))
        return;
    QMutexLocker locker(&queueLock);
    queue.insert(path, size);
}

void MPreviewManagerPrivate::schedulePass()
{
    Q_Q(MPreviewManager);
    // Bound to the manager: a pass still pending when it is destroyed never runs.
    QTimer::singleShot(PassDelayMs, Qt::CoarseTimer, q, [this] { performRequests(); });
}

void MPreviewManagerPrivate::performRequests()
{
    Q_Q(MPreviewManager);
    if (shutDown)
        return;
    for (;;) {
        // Taken out first: listeners of the signals below may queue further requests.
        QMultiMap<QString, int> pending;
        {
            QMutexLocker locker(&queueLock);
            pending.swap(queue);
        }
        if (pending.isEmpty())
            return;

        QVariantMap destinations;
        // Sizes past a batch's limit for their path go in the next batch: whoever asked for
        // them waits for an answer too.
        QMultiMap<QString, int> later;
        for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
            const auto size = MPreviewManager::PreviewSize(it.value());
            const QString cached = q->getCachedFilePath(it.key(), size);
            if (!cached.isNull()) {
                emit q->previewReadyForPath(it.key(), cached, size);
                continue;
            }
            QStringList names = destinations.value(it.key()).toStringList();
            const QString name = sizeNames().value(size);
            if (names.contains(name))
                continue;
            if (names.size() >= sizesPerPath) {
                later.insert(it.key(), size);
                continue;
            }
            names.append(name);
            destinations.insert(it.key(), names);
        }
        if (!later.isEmpty()) {
            QMutexLocker locker(&queueLock);
            for (auto it = later.cbegin(); it != later.cend(); ++it)
                queue.insert(it.key(), it.value());
        }
        if (destinations.isEmpty())
            continue;

        bool ok = false;
        const MNetworkRequest request =
            mActionRequest(QVariantMap{{QStringLiteral("destinations"), destinations}},
                           Tolvo::FetchThumbnails, destinations, &ok);
        if (!ok) {
            qCDebug(lcCoreObjects) << "Error in get preview request ";
            continue;
        }
        requestManager->sendRequest(request);
    }
}

bool MPreviewManagerPrivate::previewCreatedByApi(const QString &remotePath, const QByteArray &bytes,
                                                 int size, Created *created)
{
    Q_Q(MPreviewManager);
    const QString file = cacheFilePath(q->getBaseThumbnailPath(), remotePath, size);
    if (file.isEmpty())
        return false;
    *created = Created{remotePath, file, bytes, size};
    return true;
}

void MPreviewManagerPrivate::storeCreated(const QVector<Created> &created)
{
    if (created.isEmpty())
        return;
    MPreviewManager *q = q_ptr;
    // The pool is waited for before the manager goes, so q outlives the task.
    writers.start([q, created] {
        QVector<Created> written;
        for (const Created &entry : created) {
            const QString folder = QFileInfo(entry.file).path();
            if (!QDir().mkpath(folder)) {
                qCDebug(lcCoreObjects)
                    << "MPreviewManager: Error! Cannot create thumbnail parent path " << folder;
                continue;
            }
            // Never a half-written file under the final name: it would be taken for a
            // thumbnail.
            QSaveFile out(entry.file);
            if (!out.open(QIODevice::WriteOnly) || out.write(entry.bytes) != entry.bytes.size() ||
                !out.commit()) {
                qCDebug(lcCoreObjects) << "MPreviewManager: Error! Cannot write thumbnail for path "
                                       << entry.remotePath;
                continue;
            }
            written.append(entry);
        }
        QMetaObject::invokeMethod(
            q,
            [q, written] {
                for (const Created &entry : written)
                    emit q->previewReadyForPath(entry.remotePath, entry.file,
                                                MPreviewManager::PreviewSize(entry.size));
            },
            Qt::QueuedConnection);
    });
}

QString MPreviewManagerPrivate::cacheFilePath(const QString &thumbnailsPath,
                                              const QString &remotePath, int size)
{
    if (thumbnailsPath.isEmpty())
        return QString();
    // UTF-8, not the locale's encoding: under a C locale every non-ASCII path would share
    // one name. Both agree on UTF-8 locales.
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(remotePath.toUtf8(), QCryptographicHash::Md5).toHex());
    return thumbnailsPath + QLatin1Char('/') + hash.left(2) + QLatin1Char('/') + hash.mid(2, 2) +
           QLatin1Char('/') + hash + QLatin1Char('_') + QString::number(size);
}

MPreviewManager::MPreviewManager(QObject *parent)
    : QObject(parent)
    , d_ptr(new MPreviewManagerPrivate(this))
{
    Q_D(MPreviewManager);
    static const int sizeType =
        qRegisterMetaType<MPreviewManager::PreviewSize>("MPreviewManager::PreviewSize");
    Q_UNUSED(sizeType)

    MNetworkRequestManager *manager = d->requestManager.get();
    connect(manager, &MNetworkRequestManager::replyFinishedForRequest, this,
            &MPreviewManager::previewApiFinishedRequest);
    connect(manager, &MNetworkRequestManager::dataArrivedForRequest, this,
            &MPreviewManager::bufferDataArrived);
    connect(manager, &MNetworkRequestManager::shutdownCompleted, this,
            &MPreviewManager::shutdownCompleted);
    // A canceled batch is never handled: drop what it had received.
    connect(manager, &MNetworkRequestManager::requestCanceled, this,
            [d](const MNetworkRequest &request) {
                QMutexLocker locker(&d->bufferLock);
                d->bodyBuffers.remove(request.requestId());
            });
}

MPreviewManager::~MPreviewManager() = default;

bool MPreviewManager::isPathPreviewable(const QString &path)
{
    static const QLatin1String suffixes[] = {QLatin1String(".jpg"), QLatin1String(".png"),
                                             QLatin1String(".gif"), QLatin1String(".pdf")};
    for (const QLatin1String &suffix : suffixes) {
        if (path.endsWith(suffix, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void MPreviewManager::submitPreviewRequest(const QString &path, MPreviewManager::PreviewSize size)
{
    Q_D(MPreviewManager);
    d->queueRequest(path, size);
    d->schedulePass();
}

void MPreviewManager::submitPreviewRequests(const QStringList &paths,
                                            MPreviewManager::PreviewSize size)
{
    Q_D(MPreviewManager);
    for (const QString &path : paths)
        d->queueRequest(path, size);
    d->schedulePass();
}

bool MPreviewManager::invalidatePreview(const QString &path, MPreviewManager::PreviewSize size)
{
    const QString file = MPreviewManagerPrivate::cacheFilePath(getBaseThumbnailPath(), path, size);
    return !file.isEmpty() && QFileInfo::exists(file) && QFile::remove(file);
}

void MPreviewManager::refreshPreview(const QString &path, MPreviewManager::PreviewSize size)
{
    if (invalidatePreview(path, size))
        d_func()->queueRequest(path, size);
}

void MPreviewManager::refreshPreviews(const QStringList &paths, MPreviewManager::PreviewSize size)
{
    for (const QString &path : paths)
        refreshPreview(path, size);
}

QString MPreviewManager::getBaseThumbnailPath() const
{
    TolvoProcess *app = TolvoProcess::instance();
    return app ? app->thumbnailsPath() : QString();
}

QString MPreviewManager::getCachedFilePath(const QString &path, MPreviewManager::PreviewSize size,
                                           bool best) const
{
    const QString base = getBaseThumbnailPath();
    if (base.isEmpty())
        return QString();
    const QList<int> sizes = sizeNames().keys();
    if (!best) {
        for (int cachedSize : sizes) {
            if (cachedSize < size)
                continue;
            const QString file = MPreviewManagerPrivate::cacheFilePath(base, path, cachedSize);
            if (QFileInfo::exists(file))
                return file;
        }
        return QString();
    }
    QString largest;
    for (auto it = sizes.crbegin(); it != sizes.crend(); ++it) {
        const QString file = MPreviewManagerPrivate::cacheFilePath(base, path, *it);
        if (!QFileInfo::exists(file))
            continue;
        if (*it == size)
            return file;
        if (largest.isNull())
            largest = file;
    }
    return largest;
}

QString MPreviewManager::getBestCachedFilePath(const QString &path,
                                               MPreviewManager::PreviewSize size) const
{
    return getCachedFilePath(path, size, true);
}

void MPreviewManager::cancelAllPreviewRequests()
{
    Q_D(MPreviewManager);
    QMutexLocker locker(&d->queueLock);
    d->queue.clear();
}

void MPreviewManager::shutdown()
{
    Q_D(MPreviewManager);
    d->shutDown = true;
    d->requestManager->shutdown();
}

void MPreviewManager::previewApiFinishedRequest(const MNetworkRequest &request,
                                                const MNetworkReply &reply)
{
    Q_D(MPreviewManager);
    QByteArray body;
    {
        QMutexLocker locker(&d->bufferLock);
        body = d->bodyBuffers.take(request.requestId());
    }
    if (reply.statusCode() != 200) {
        qCDebug(lcCoreObjects) << "Error from preview api with status code " << reply.statusCode();
        return;
    }
    const QByteArray header = reply.header(ThumbnailsHeader);
    const QJsonDocument document = QJsonDocument::fromJson(header);
    if (document.isNull()) {
        qCDebug(lcCoreObjects)
            << "(MJsonRequestManager) decode header in preview api response error.";
        qCDebug(lcCoreObjects) << "(MObjectsManager) Received header: "
                               << QString::fromUtf8(header);
        return;
    }

    const QVariantMap requested =
        request.userInfo().toMap().value(MObjectRequestUserDataKey).toMap();
    const QJsonObject thumbnails = document.object();
    QVector<MPreviewManagerPrivate::Created> created;
    for (auto it = thumbnails.constBegin(); it != thumbnails.constEnd(); ++it) {
        const QString &path = it.key();
        const QJsonObject entry = it.value().toObject();
        // The service answers for the paths of the batch; it does not choose what is cached.
        if (!requested.contains(path)) {
            qCDebug(lcCoreObjects)
                << "MPreviewManager: Ignoring a thumbnail not asked for:" << path;
            continue;
        }
        if (entry.contains(QLatin1String("error"))) {
            qCDebug(lcCoreObjects) << "Thumbnail for file" << path
                                   << "failed:" << entry.value(QLatin1String("message")).toString();
            continue;
        }
        for (auto sizeIt = entry.constBegin(); sizeIt != entry.constEnd(); ++sizeIt) {
            const QJsonObject slice = sizeIt.value().toObject();
            if (slice.contains(QLatin1String("error")))
                continue;
            const double offset = std::trunc(slice.value(QLatin1String("offset")).toDouble(-1));
            const double length = std::trunc(slice.value(QLatin1String("length")).toDouble(-1));
            // A range beyond the body would cache a cut image for good.
            if (offset < 0 || length < 0 || offset + length > body.size()) {
                qCDebug(lcCoreObjects) << "MPreviewManager: Refusing thumbnail" << sizeIt.key()
                                       << "of" << path << "outside the reply body";
                continue;
            }
            MPreviewManagerPrivate::Created entry;
            if (d->previewCreatedByApi(path, body.mid(int(offset), int(length)),
                                       sizeForName(sizeIt.key()), &entry))
                created.append(entry);
            else
                qCDebug(lcCoreObjects) << "MPreviewManager: Error! No thumbnail folder for" << path;
        }
    }
    d->storeCreated(created);
}

void MPreviewManager::bufferDataArrived(const MNetworkRequest &request, const QByteArray &data,
                                        const MNetworkReply &reply)
{
    Q_D(MPreviewManager);
    if (reply.statusCode() != 200)
        return;
    QMutexLocker locker(&d->bufferLock);
    d->bodyBuffers[request.requestId()].append(data);
}
