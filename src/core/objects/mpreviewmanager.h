#ifndef MPREVIEWMANAGER_H
#define MPREVIEWMANAGER_H

#include "mnetworkreply.h"
#include "mnetworkrequest.h"

#include <QObject>
#include <QScopedPointer>
#include <QString>
#include <QStringList>

class MPreviewManagerPrivate;

// Fetches thumbnails of remote images and PDF files and keeps them in a file cache under
// the application's thumbnails folder. Requests are gathered for 500 ms and sent as one
// batch; those the cache already answers cost no request. Create it on the main thread,
// after the core's init(): its own request manager retries requests refused for an expired
// token with the application's sign-in manager.
class MPreviewManager : public QObject
{
    Q_OBJECT
public:
    // Edge lengths in pixels.
    enum PreviewSize {
        ExtraSmall = 32,  // "xs" on the wire
        Small = 64,       // "s"
        Medium = 128,     // "m"
        Large = 512,      // "l"
        ExtraLarge = 1024 // "xl"
    };
    Q_ENUM(PreviewSize)

    explicit MPreviewManager(QObject *parent = nullptr);
    ~MPreviewManager() override;

    // Images (.jpg, .png, .gif) and PDF files, whatever the case of the suffix.
    static bool isPathPreviewable(const QString &path);

    // Paths that cannot be previewed, or that hold a ".." component, are ignored.
    void submitPreviewRequest(const QString &path, MPreviewManager::PreviewSize size);
    void submitPreviewRequests(const QStringList &paths, MPreviewManager::PreviewSize size);
    // Removes the cached file of exactly this size; false when there was none.
    bool invalidatePreview(const QString &path, MPreviewManager::PreviewSize size);
    // Invalidates, and when a file was cached asks for it again with the next batch.
    void refreshPreview(const QString &path, MPreviewManager::PreviewSize size);
    void refreshPreviews(const QStringList &paths, MPreviewManager::PreviewSize size);

    QString getBaseThumbnailPath() const;
    // The smallest cached thumbnail at least as large as size. With best, the one of this
    // size, else the largest cached one. A null string when none fits.
    QString getCachedFilePath(const QString &path, MPreviewManager::PreviewSize size,
                              bool best = false) const;
    QString getBestCachedFilePath(const QString &path, MPreviewManager::PreviewSize size) const;

    // Forgets the requests not yet sent.
    void cancelAllPreviewRequests();

signals:
    // size is the size asked for; the file may be of a larger one.
    void previewReadyForPath(const QString &remotePath, const QString &thumbnailPath,
                             MPreviewManager::PreviewSize size);
    void shutdownCompleted();

public slots:
    // Cancels the batches in flight; nothing is sent afterwards.
    void shutdown();

private slots:
    void previewApiFinishedRequest(const MNetworkRequest &request, const MNetworkReply &reply);
    void bufferDataArrived(const MNetworkRequest &request, const QByteArray &data,
                           const MNetworkReply &reply);

private:
    Q_DECLARE_PRIVATE(MPreviewManager)
    QScopedPointer<MPreviewManagerPrivate> d_ptr;
};

#endif // MPREVIEWMANAGER_H
