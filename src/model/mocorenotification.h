#ifndef MOCORENOTIFICATION_H
#define MOCORENOTIFICATION_H

#include <QString>
#include <QVariant>

#include <optional>

#include "moobjecttransferrequest.h"
#include "mopostednotification.h"
#include "mostorageobject.h"

// Reads the core message that a "MONotification" carries. On any other notification every
// string reads null, every number 0 and every object as none.
class MOCoreNotification
{
public:
    explicit MOCoreNotification(const MOPostedNotification &notification);

    enum Type { Info = 1, Warning = 2, Error = 3 };
    // The core's object actions (also a transfer's request type) and error codes that callers
    // tell apart.
    enum Action : qint64 {
        MakeDirectory = 4,
        Rename = 5,
        Copy = 6,
        CreateShareLink = 7,
        RevokeShareLink = 8,
        ListShareLinks = 9,
        EmailShareLink = 10,
        Upload = 12,
        UploadCached = 14,
        DownloadToCache = 15,
    };
    enum ErrorCode : quint64 { NameTaken = 102, OutdatedLocalCopy = 602, ObjectExists = 801 };

    QString message() const;
    // The service's own words behind the failure the message says; null when it gave none.
    QString details() const;
    // One of Type; 0 when there is no core message.
    quint64 type() const;
    // None unless the message names a valid object.
    std::optional<MOStorageObject> storageObject() const;
    QString path() const;
    QString additionalPath() const;
    // The request the message names, else the request of the transfer it names; an empty
    // request when it names neither.
    MOObjectTransferRequest transferRequest() const;
    // A Tolvo object action; 0 when absent.
    qint64 action() const;
    // A core error code (801: the remote file exists); 0 when absent.
    quint64 errorCode() const;
    // The user data the poster gave; invalid when none.
    QVariant userDataAttribute() const;

private:
    QVariant attribute(int attribute) const;

    QVariant m_inner;
};

#endif // MOCORENOTIFICATION_H
