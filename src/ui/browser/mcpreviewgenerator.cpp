#include "mcpreviewgenerator.h"

#include "mcbrowserlog.h"
#include "mcpreviewgeneratordelegate.h"
#include "mopreviewmanager.h"

#include <QCache>
#include <QHash>
#include <QImageReader>
#include <QPointer>
#include <QThreadPool>

namespace {

// Thumbnails come from the service: one whose header announces more pixels than this (32 MiB
// once decoded) is refused before any of it is decoded.
constexpr qint64 MaxThumbnailPixels = 8 * 1024 * 1024;

} // namespace

class MCPreviewGeneratorPrivate
{
public:
    struct Waiting
    {
        QString nodePath;
        uint size;
    };

    QPixmap decoded(const QString &thumbnailPath) const;
    void decode(MCPreviewGenerator *q, const QString &thumbnailPath, const QString &nodePath,
                uint size);
    void fanOut(MCPreviewGenerator *q, const QString &nodePath, const QPixmap &thumbnail,
                uint size);

    QPointer<MOPreviewManager> manager;
    QList<QPointer<QObject>> listeners;
    // Decoded thumbnails by file, costed in KiB.
    QCache<QString, QPixmap> pixmaps{64 * 1024};
    // Files being decoded, with who waits for them.
    QHash<QString, QList<Waiting>> decoding;
    QThreadPool pool;
};

QPixmap MCPreviewGeneratorPrivate::decoded(const QString &thumbnailPath) const
{
    const QPixmap *pixmap = pixmaps.object(thumbnailPath);
    return pixmap ? *pixmap : QPixmap();
}

void MCPreviewGeneratorPrivate::decode(MCPreviewGenerator *q, const QString &thumbnailPath,
                                       const QString &nodePath, uint size)
{
    const bool started = decoding.contains(thumbnailPath);
    decoding[thumbnailPath].append({nodePath, size});
    if (started)
        return;
    QPointer<MCPreviewGenerator> generator(q);
    pool.start([generator, thumbnailPath] {
        const QImage image = MCPreviewGenerator::previewWithThumbnailFile(thumbnailPath, 1024);
        if (!generator)
            return;
        // Back on the main thread; dropped if the generator is gone by then.
        QMetaObject::invokeMethod(
            generator.data(),
            [generator, thumbnailPath, image] {
                MCPreviewGeneratorPrivate *d = generator->d_func();
                const QList<Waiting> waiting = d->decoding.take(thumbnailPath);
                if (image.isNull()) {
                    qCWarning(lcBrowser) << "Unreadable thumbnail" << thumbnailPath;
                    return;
                }
                const QPixmap pixmap = QPixmap::fromImage(image);
                d->pixmaps.insert(thumbnailPath, new QPixmap(pixmap),
                                  qMax(1, pixmap.width() * pixmap.height() * 4 / 1024));
                for (const Waiting &entry : waiting)
                    d->fanOut(generator, entry.nodePath, pixmap, entry.size);
            },
            Qt::QueuedConnection);
    });
}

void MCPreviewGeneratorPrivate::fanOut(MCPreviewGenerator *q, const QString &nodePath,
                                       const QPixmap &thumbnail, uint size)
{
    // A copy: a listener may be removed while the list is walked.
    const QList<QPointer<QObject>> current = listeners;
    QList<QObject *> unable;
    for (const QPointer<QObject> &listener : current) {
        if (!listener)
            continue;
        if (auto *delegate = dynamic_cast<MCPreviewGeneratorDelegate *>(listener.data()))
            delegate->previewUpdatedForNodeWithThumbnailAndSize(nodePath, thumbnail, size);
        else
            unable.append(listener.data());
    }
    for (QObject *listener : qAsConst(unable))
        q->removeDelegate(listener);
    listeners.removeAll(QPointer<QObject>());
    emit q->previewDecoded(nodePath, size);
}

MCPreviewGenerator::MCPreviewGenerator(MOPreviewManager *manager, QObject *parent)
    : QObject(parent)
    , d_ptr(new MCPreviewGeneratorPrivate)
{
    Q_D(MCPreviewGenerator);
    d->manager = manager;
    d->pool.setMaxThreadCount(2);
    if (manager)
        manager->setDelegate(this);
}

MCPreviewGenerator::~MCPreviewGenerator()
{
    Q_D(MCPreviewGenerator);
    if (d->manager && d->manager->delegate() == this)
        d->manager->setDelegate(nullptr);
    d->pool.waitForDone();
}

void MCPreviewGenerator::addDelegate(QObject *listener)
{
    if (listener)
        d_func()->listeners.append(listener);
}

void MCPreviewGenerator::removeDelegate(QObject *listener)
{
    d_func()->listeners.removeAll(listener);
}

int MCPreviewGenerator::delegateCount() const
{
    int count = 0;
    for (const QPointer<QObject> &listener : d_func()->listeners)
        count += listener ? 1 : 0;
    return count;
}

QPixmap MCPreviewGenerator::previewForNode(const MCAbstractObjectNode *node, uint size,
                                           bool *isThumbnail)
{
    if (isThumbnail)
        *isThumbnail = false;
    if (!node)
        return QPixmap();
    // Folders have no thumbnail; their size is an entry count at most.
    const qint64 bytes = node->isDir() ? 0 : node->fileSize();
    return previewForNodePath(node->filePath(), node->fileIcon(), bytes, size, isThumbnail);
}

QPixmap MCPreviewGenerator::previewForNodePath(const QString &path, const QIcon &nodeIcon,
                                               qint64 nodeSize, uint previewSize, bool *isThumbnail)
{
    Q_D(MCPreviewGenerator);
    if (isThumbnail)
        *isThumbnail = false;
    const QPixmap icon = nodeIcon.pixmap(int(previewSize), int(previewSize));
    if (!d->manager)
        return icon;
    // The cache answers a size at least as large as asked; that one needs no request.
    const QString exact = d->manager->getCachedFilePath(path, previewSize);
    QString found = exact;
    if (exact.isEmpty()) {
        if (nodeSize != 0)
            d->manager->submitPreviewRequestForPath(path, previewSize);
        found = d->manager->getBestCachedFilePath(path, previewSize);
    }
    if (found.isEmpty())
        return icon;
    const QPixmap pixmap = d->decoded(found);
    if (!pixmap.isNull()) {
        if (isThumbnail)
            *isThumbnail = true;
        return pixmap;
    }
    d->decode(this, found, path, previewSize);
    return icon;
}

bool MCPreviewGenerator::isPreviewablePath(const QString &path) const
{
    const Q_D(MCPreviewGenerator);
    return d->manager && d->manager->isPathPreviewable(path);
}

QImage MCPreviewGenerator::previewWithThumbnailFile(const QString &filePath, uint maximumSize)
{
    if (filePath.isEmpty())
        return QImage();
    QImageReader reader(filePath);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize original = reader.size();
    if (!original.isValid() || qint64(original.width()) * original.height() > MaxThumbnailPixels) {
        qCWarning(lcBrowser) << "Refusing thumbnail" << filePath << "of size" << original;
        return QImage();
    }
    if (maximumSize && qMax(original.width(), original.height()) > int(maximumSize))
        reader.setScaledSize(
            original.scaled(int(maximumSize), int(maximumSize), Qt::KeepAspectRatio));
    return reader.read();
}

void MCPreviewGenerator::previewUpdatedForNodeWithThumbnailPathAndSize(const QString &path,
                                                                       const QString &thumbnailPath,
                                                                       uint size)
{
    Q_D(MCPreviewGenerator);
    // The file may have been rewritten: decode it afresh.
    d->pixmaps.remove(thumbnailPath);
    d->decode(this, thumbnailPath, path, size);
}
