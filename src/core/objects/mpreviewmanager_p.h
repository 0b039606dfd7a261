#ifndef MPREVIEWMANAGER_P_H
#define MPREVIEWMANAGER_P_H

#include "mnetworkrequestmanager.h"
#include "mpreviewmanager.h"

#include <QByteArray>
#include <QHash>
#include <QMultiMap>
#include <QMutex>
#include <QString>
#include <QThreadPool>
#include <QVector>

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
    // One thumbnail of a reply, for its cache file.
    struct Created
    {
        QString remotePath;
        QString file;
        QByteArray bytes;
        int size = 0;
    };
    // The cache file of one thumbnail of a reply; false when there is none to write to.
    bool previewCreatedByApi(const QString &remotePath, const QByteArray &bytes, int size,
                             Created *created);
    // Writes a reply's thumbnails on the writer thread (disk waits, a busy disk's above all,
    // never hold the caller's thread), then announces them on the manager's thread, in order.
    void storeCreated(const QVector<Created> &created);
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
    // One thread, so that the files of one path are written in the order they came.
    QThreadPool writers;
};

#endif // MPREVIEWMANAGER_P_H
