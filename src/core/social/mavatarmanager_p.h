#ifndef MAVATARMANAGER_P_H
#define MAVATARMANAGER_P_H

#include "mavatarmanager.h"

#include <QByteArray>
#include <QSaveFile>
#include <QSet>
#include <QString>

#include <map>
#include <memory>

class MNetworkReply;
class MNetworkRequest;
class MNetworkRequestManager;

class MAvatarManagerPrivate
{
    Q_DECLARE_PUBLIC(MAvatarManager)
public:
    explicit MAvatarManagerPrivate(MAvatarManager *q);

    // avatarsPath/<id>/<file name of the avatar URL's path>, or fallbackName when the URL
    // names no file; null when neither gives a usable name.
    static QString avatarCachePath(const MUserAccount &account);

    void dataArrivedForRequestSlot(const MNetworkRequest &request, const QByteArray &data,
                                   const MNetworkReply &reply);
    void replyFinishedForRequestSlot(const MNetworkRequest &request, const MNetworkReply &reply);

    // Whether a download has grown, or says it will grow, past MaximumBytes; it is then
    // aborted and nothing of it is kept.
    bool refuseOversized(const MNetworkRequest &request, qint64 arriving,
                         const MNetworkReply &reply);
    // The download file of a request, made on its first bytes; null when it cannot be opened.
    QSaveFile *downloadFile(const MNetworkRequest &request);
    void finishDownload(const MNetworkRequest &request, const MNetworkReply &reply);
    void finishUpload(const MNetworkRequest &request, const MNetworkReply &reply);

    MAvatarManager *q_ptr;
    // Fetches from any avatar host: never signed, never re-signed.
    MNetworkRequestManager *downloads = nullptr;
    // Uploads to the service, re-signed after a token refresh.
    MNetworkRequestManager *uploads = nullptr;
    // By request id. A download replaces the cache file only once it has completed, so a cut
    // or concurrent one never leaves a partial picture behind.
    std::map<QString, std::unique_ptr<QSaveFile>> pendingFiles;
    // Bytes received so far, by request id.
    std::map<QString, qint64> receivedBytes;
    // Downloads aborted for their size whose end is yet to be reported.
    QSet<QString> refused;
};

#endif // MAVATARMANAGER_P_H
