#ifndef MRESUMABLEDOWNLOAD_H
#define MRESUMABLEDOWNLOAD_H

#include "mstorageobject.h"

#include <QString>
#include <QUrl>

// The local side of a download: where its bytes land before they are verified and how the
// verified file takes the place of its destination.
class MResumableDownload
{
public:
    // 32 hex digits: anything else from the service never becomes part of a local path.
    static bool isContentHash(const QString &hash);
    // The partial file of a cache download, tempPath/h0h1/h2h3/hash, its folder created;
    // empty when the object's hash is not a content hash.
    static QString downloadPath(const QString &tempPath, const MStorageObject &object);
    // The partial file of any other download; it starts over at each run.
    static QString partialPath(const QString &tempPath, qint64 transferId);
    static QUrl downloadUrl(const QUrl &apiUrl, const QString &sourcePath);
    // The first free name from path on (" 2" suffixes), claimed by creating it empty so that
    // no other download takes it; empty when none could be made.
    static QString reserveFreeName(const QString &path);
    // Moves the verified file onto destination in one step when both are on one file
    // system, otherwise through a temporary sibling of destination.
    static bool replace(const QString &verifiedPath, const QString &destination);
};

#endif // MRESUMABLEDOWNLOAD_H
