#ifndef MOPREVIEWMANAGER_H
#define MOPREVIEWMANAGER_H

#include <QObject>
#include <QScopedPointer>
#include <QString>
#include <QStringList>

#include "mopreviewmanagerdelegate.h"

class MOPreviewManagerPrivate;

// Thumbnails of remote images and documents: asks for them in batches, answers questions
// about the thumbnail cache, and hands each thumbnail that arrives to the delegate. Sizes are
// 32, 64, 128, 512 and 1024 pixels; another size is refused with a warning. Main thread only.
class MOPreviewManager : public QObject
{
    Q_OBJECT
public:
    ~MOPreviewManager() override;

    static MOPreviewManager *defaultManager();

    void submitPreviewRequestForPath(const QString &path, uint size);
    void submitPreviewRequestForPaths(const QStringList &paths, uint size);
    // Removes the cached thumbnail of that size and, when there was one, asks for it again.
    void refreshPreviewForPath(const QString &path, uint size);
    void refreshPreviewForPaths(const QStringList &paths, uint size);
    void invalidatePreviewForPath(const QString &path, uint size);
    void cancelAllPreviewRequests();

    // The folder of the thumbnail cache; null before the core has a support folder.
    QString getBaseThumbnailPath() const;
    // The smallest cached thumbnail of at least size; null when there is none.
    QString getCachedFilePath(const QString &path, uint size) const;
    // The cached thumbnail of size, else the largest cached one; null when there is none.
    QString getBestCachedFilePath(const QString &path, uint size) const;
    // Images (.jpg, .png, .gif) and PDF files, whatever the case of the suffix.
    bool isPathPreviewable(const QString &path) const;

    MOPreviewManagerDelegate *delegate() const;
    // Not owned; a delegate that is a QObject is forgotten when it is destroyed.
    void setDelegate(MOPreviewManagerDelegate *delegate);

private:
    MOPreviewManager();
    template<class T> friend class MOSingleton;
    friend class MOPreviewManagerBridge;
    Q_DECLARE_PRIVATE(MOPreviewManager)
    QScopedPointer<MOPreviewManagerPrivate> d_ptr;
};

#endif // MOPREVIEWMANAGER_H
