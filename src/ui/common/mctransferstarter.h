#ifndef MCTRANSFERSTARTER_H
#define MCTRANSFERSTARTER_H

#include "moobjecttransferrequest.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

// The interface's entry for transfers.
class MCTransferStarter : public QObject
{
    Q_OBJECT
public:
    // A download resumes what is at toPath (a partial copy is continued, anything else is
    // written anew) unless told otherwise.
    virtual void downloadFileAtPath(const QString &remotePath, const QString &toPath,
                                    const QVariantMap &userData = {},
                                    qint64 overwriteStrategy = MOObjectTransferRequest::Resume) = 0;
    // An upload of a folder uploads the folder's contents as a group.
    virtual void uploadFileAtPath(const QString &localPath, const QString &toPath, bool shouldCache,
                                  const QVariantMap &userData = {}) = 0;

protected:
    using QObject::QObject;
};

#endif // MCTRANSFERSTARTER_H
