#ifndef MCOPERATION_H
#define MCOPERATION_H

#include "moerror.h"
#include "moobjecttransfer.h"
#include "moobjecttransfergroup.h"

#include <QDateTime>
#include <QString>

#include <limits>

// One row of the transfers page: a download or upload (a single transfer or a whole folder
// transfer), or a logged change of the remote store. Holds the row's status and the progress
// statistics computed from the progress reports. A plain value of the page's model: it keeps
// no widget. Main thread only.
class MCOperation
{
public:
    enum Type : quint64 {
        Rename = 1,
        Download = 2,
        Upload = 3,
        FolderCreated = 4,
        Deleted = 5,
        Copied = 6,
        Move = 7
    };
    enum Status : qint64 {
        Starting = 0,
        Resuming = 1,
        Pausing = 2,
        Running = 3,
        AbortRequested = 4,
        Paused = 5,
        Canceled = 6,
        Failed = 7,
        Completed = 8
    };
    // A time left that cannot be computed yet.
    static constexpr quint64 UnknownTimeLeft = quint64(std::numeric_limits<qint64>::max());

    // A logged change of the store, added at addedAt.
    MCOperation(Type type, const QString &sourcePath, const QString &destinationPath, bool isDir,
                const QDateTime &addedAt);
    MCOperation(Type type, const MOObjectTransfer &transfer);
    MCOperation(Type type, const MOObjectTransferGroup &group);

    Type type() const { return m_type; }
    qint64 identifier() const { return m_identifier; }
    void setIdentifier(qint64 identifier) { m_identifier = identifier; }
    float progress() const { return m_progress; }
    void setProgress(float progress) { m_progress = progress; }
    // The pause button reads "resume" rather than "stop".
    bool isResumable() const { return m_resumable; }
    void setResumable(bool resumable) { m_resumable = resumable; }
    QString sourcePath() const { return m_sourcePath; }
    QString destinationPath() const { return m_destinationPath; }
    MOError error() const { return m_error; }
    void setError(const MOError &error) { m_error = error; }
    QDateTime addedAt() const { return m_addedAt; }
    // When the row last paused, finished, was cancelled or failed.
    QDateTime additionalDate() const { return m_additionalDate; }
    void setAdditionalDate(const QDateTime &date) { m_additionalDate = date; }
    QDateTime lastProgressDate() const { return m_lastProgressDate; }
    bool hasTransfer() const { return m_transfer.isValid(); }
    MOObjectTransfer transferState() const { return m_transfer; }
    void setTransferState(const MOObjectTransfer &transfer) { m_transfer = transfer; }
    bool hasGroup() const { return m_group.isValid(); }
    MOObjectTransferGroup transferGroup() const { return m_group; }
    void setTransferGroup(const MOObjectTransferGroup &group) { m_group = group; }
    bool isDir() const { return m_isDir; }
    // Why a transfer that does not run under the account signed in waits; empty for one that
    // runs. Only cancelling applies to a waiting one.
    QString waitingReason() const { return m_waitingReason; }
    void setWaitingReason(const QString &reason) { m_waitingReason = reason; }
    bool isWaiting() const { return !m_waitingReason.isEmpty(); }
    Status status() const { return m_status; }
    void setStatus(Status status) { m_status = status; }
    // Canceled, failed or completed.
    bool isFinished() const { return m_status >= Canceled; }
    quint64 lastProgressTransferred() const { return m_lastProgressTransferred; }
    quint64 transferRate() const { return m_transferRate; }
    quint64 transferred() const { return m_transferred; }
    quint64 totalBytes() const { return m_totalBytes; }
    quint64 timeLeft() const { return m_timeLeft; }

    // A new statistics point at now: the bytes done always; progress, rate and time left at
    // most once a second. Nothing changes for a total of 0. True when progress, rate or time
    // left changed.
    bool updateStats(quint64 transferred, quint64 total, const QDateTime &now);

    // The key of a row: the same for every notification about one transfer or group.
    static quint64 operationHashCombine(quint64 type, const MOObjectTransfer *transfer,
                                        const MOObjectTransferGroup *group,
                                        const QString *sourcePath, const QString *destinationPath,
                                        const QDateTime *date);
    quint64 hash() const;
    // Same kind of row about the same thing; a row without a destination equals no other.
    bool operator==(const MCOperation &other) const;
    bool operator!=(const MCOperation &other) const { return !(*this == other); }

private:
    Type m_type;
    qint64 m_identifier = 0;
    float m_progress = 0;
    bool m_resumable = true;
    QString m_sourcePath;
    QString m_destinationPath;
    MOError m_error;
    QDateTime m_addedAt;
    QDateTime m_additionalDate;
    QDateTime m_lastProgressDate;
    MOObjectTransfer m_transfer;
    MOObjectTransferGroup m_group;
    bool m_isDir = false;
    QString m_waitingReason;
    Status m_status = Starting;
    quint64 m_lastProgressTransferred = 0;
    quint64 m_transferRate = 0;
    quint64 m_transferred = 0;
    quint64 m_totalBytes = 0;
    quint64 m_timeLeft = UnknownTimeLeft;
};

#endif // MCOPERATION_H
