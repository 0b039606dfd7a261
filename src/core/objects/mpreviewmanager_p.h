#ifndef MPREVIEWMANAGER_P_H
#define MPREVIEWMANAGER_P_H

#include "mnetworkrequestmanager.h"
#include "mpreviewmanager.h"

#include <QByteArray>
#include <QHash>
#include <QMultiMap>
#include <QMutex>
#include <QString>

#include <memory>

class MPreviewManagerPrivate
{
    Q_DECLARE_PUBLIC(MPreviewManager)
public:
    explicit MPreviewManagerPrivate(MPreviewManager *q);

    void queueRequest(const QString &path, MPreviewManager::PreviewSize size);
    void schedulePass();
    // Answers what the cache holds and sends the rest as batches.
    void performRequests();
    // Writes one thumbnail to its cache file and announces it.
    void previewCreatedByApi(const QString &remotePath, const QByteArray &bytes, int size);
    // The cache file of (remotePath, size); empty when there is no support folder.
    static QString cacheFilePath(const QString &thumbnailsPath, const QString &remotePath,
                                 int size);

    QMutex bufferLock;
    MPreviewManager *q_ptr;
    // Remote path to size; the entry queued last comes first among those of one path.
    QMultiMap<QString, int> queue;
    std::unique_ptr<MNetworkRequestManager> requestManager;
    qint16 sizesPerPath = 1;
    QMutex queueLock;
    // Reply bytes received so far, by request identifier.
    QHash<QString, QByteArray> bodyBuffers;
    bool shutDown = false;
};

#endif // MPREVIEWMANAGER_P_H
