#ifndef MCTRANSFERS_H
#define MCTRANSFERS_H

#include "mctransferstarter.h"
#include "mopostednotification.h"

#include <memory>

class MCDownloadMarks;
class MOObjectTransferRequest;

// The interface's entry for transfers, and the marks on the local files that downloads are
// writing (the placeholder file and the progress attribute).
class MCTransfers : public MCTransferStarter
{
    Q_OBJECT
public:
    explicit MCTransfers(QObject *parent = nullptr);
    ~MCTransfers() override;

    void downloadFileAtPath(const QString &remotePath, const QString &toPath,
                            const QVariantMap &userData = {},
                            qint64 overwriteStrategy = MOObjectTransferRequest::Resume) override;
    void uploadFileAtPath(const QString &localPath, const QString &toPath, bool shouldCache,
                          const QVariantMap &userData = {}) override;
    void transferObject(const MOObjectTransferRequest &request);

    // Registers objectTransferProgressNotification() for the objects facade's transfers.
    void observeTransfers();
    // Marks a file a download is writing.
    void objectTransferProgressNotification(const MOPostedNotification &notification);
    MCDownloadMarks *downloadMarks() const { return m_downloadMarks.get(); }

private:
    // The files downloads are writing, marked off the main thread.
    std::unique_ptr<MCDownloadMarks> m_downloadMarks;
};

#endif // MCTRANSFERS_H
