#ifndef UPLOADSESSION_H
#define UPLOADSESSION_H

#include "storeerror.h"

#include <QJsonObject>
#include <QStringList>

#include <optional>

struct StoredObject;

// One open upload: where the file goes, on what terms, and the MD5 of each of its chunks in
// file order. Which chunks have arrived is the chunk store's business.
struct UploadSession
{
    QString token;
    qint64 userId = 0;
    qint64 deviceId = 0; // the user's device that opened it; 0: none known
    QString path;
    bool sync = false; // sent through /sync/object, with base and final hash
    bool force = false;
    QString baseHash;  // the version the client's edit started from; may be empty
    QString finalHash; // empty when the client did not announce it
    QStringList chunkHashes;
    qint64 lastUsed = 0; // seconds since the epoch

    bool isExpired(qint64 now) const;
    // Whether other asks for the same file from the same device on the same terms.
    bool isSameUpload(const UploadSession &other) const;
    // Whether the file may go onto existing (nullptr: nothing there): the 409 and 500 answers
    // of the upload calls, with their "error_code".
    StoreError admits(const StoredObject *existing) const;

    QJsonObject toJson() const;
    static std::optional<UploadSession> fromJson(const QJsonObject &json);
};

#endif // UPLOADSESSION_H
