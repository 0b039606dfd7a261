#ifndef MCPREVIEWGENERATOR_H
#define MCPREVIEWGENERATOR_H

#include "mcabstractobjectnode.h"
#include "mopreviewmanagerdelegate.h"

#include <QObject>
#include <QPixmap>
#include <QScopedPointer>

class MCPreviewGeneratorPrivate;
class MOPreviewManager;

// The interface's one source of file thumbnails and the thumbnail facade's one delegate.
// previewForNode() answers at once with the best image at hand (a thumbnail already decoded,
// else the node's file icon) and, when the exact size is not on disk, asks the facade for it.
// Thumbnail files are decoded on a worker thread, never on the main thread; each decoded
// thumbnail goes to every registered listener. The thumbnail files the core keeps on disk are
// the cache; decoded images are kept in a small memory cache in front of it.
// Main thread only (the decoding aside).
class MCPreviewGenerator
    : public QObject
    , public MOPreviewManagerDelegate
{
    Q_OBJECT
public:
    // Becomes manager's delegate; manager is not owned.
    explicit MCPreviewGenerator(MOPreviewManager *manager, QObject *parent = nullptr);
    ~MCPreviewGenerator() override;

    // Listeners are told of every decoded thumbnail through MCPreviewGeneratorDelegate; one
    // that is not such a delegate is dropped at the first arrival, and a destroyed one drops
    // out by itself. A listener may be added more than once.
    void addDelegate(QObject *listener);
    void removeDelegate(QObject *listener);
    int delegateCount() const;

    // The image for node at size (32, 128 or 512); isThumbnail tells whether it is one (the
    // caller then frames it) or the file icon. A thumbnail not decoded yet is decoded in the
    // background and handed to the listeners; a size not on disk is asked of the service,
    // except for folders and empty files.
    QPixmap previewForNode(const MCAbstractObjectNode *node, uint size,
                           bool *isThumbnail = nullptr);
    QPixmap previewForNodePath(const QString &path, const QIcon &nodeIcon, qint64 nodeSize,
                               uint previewSize, bool *isThumbnail = nullptr);
    bool isPreviewablePath(const QString &path) const;

    // Reads an image file whatever its name says (the cache's files have no extension);
    // null when it cannot be read. Safe on any thread.
    static QImage previewWithThumbnailFile(const QString &filePath, uint maximumSize = 0);

    void previewUpdatedForNodeWithThumbnailPathAndSize(const QString &path,
                                                       const QString &thumbnailPath,
                                                       uint size) override;

signals:
    // A thumbnail was decoded and handed to the listeners.
    void previewDecoded(const QString &path, uint size);

private:
    Q_DECLARE_PRIVATE(MCPreviewGenerator)
    QScopedPointer<MCPreviewGeneratorPrivate> d_ptr;
};

#endif // MCPREVIEWGENERATOR_H
