#ifndef MRESUMABLEDOWNLOAD_H
#define MRESUMABLEDOWNLOAD_H

#include "mstorageobject.h"

#include <QString>
#include <QUrl>

class MConfinedFolder;
class MHeldFile;
class QFile;

// The local side of a download: where its bytes land before they are verified and how the
// verified file takes the place of its destination. The temporary folder is the program's own:
// a link planted in it is never followed, whatever it points to stays as it is.
class MResumableDownload
{
public:
    // 32 hex digits: anything else from the service never becomes part of a local path.
    static bool isContentHash(const QString &hash);
    // Where the bytes of a cache download that stopped short wait for the next download of
    // the same content, tempPath/h0h1/h2h3/hash, its folder created; empty when the object's
    // hash is not a content hash. No transfer writes there.
    static QString downloadPath(const MConfinedFolder &temp, const MStorageObject &object);
    // The partial file of one transfer: two downloads of the same bytes never share one,
    // and a transfer run again (resumed, or after a restart) finds its own.
    static QString partialPath(const MConfinedFolder &temp, qint64 transferId);
    // Takes over the bytes left at parked (downloadPath) as the transfer's own partial file,
    // in one step: of several transfers asking at once, one gets them. False when there was
    // nothing to take or own already holds bytes.
    static bool adopt(const MConfinedFolder &temp, const QString &parked, const QString &own);
    // Leaves the transfer's partial bytes at parked for a later download of the content.
    static void park(const MConfinedFolder &temp, const QString &own, const QString &parked);
    // Holds the partial file at path, made when missing, and opens file on it for reading and
    // writing; nothing is held when anything but a regular file of one name is there.
    static MHeldFile openPartial(const MConfinedFolder &temp, const QString &path, QFile *file);
    static QUrl downloadUrl(const QUrl &apiUrl, const QString &sourcePath);
    // The first free name from path on (" 2" suffixes), claimed by creating it empty so that
    // no other download takes it; empty when none could be made.
    static QString reserveFreeName(const QString &path);
    // Moves the verified file onto destination in one step when both are on one file
    // system, otherwise through a temporary sibling of destination; false when its entry in
    // the folder it is held in is no longer that file alone.
    static bool replace(const MHeldFile &verified, const QString &destination);
};

#endif // MRESUMABLEDOWNLOAD_H
