#ifndef MOOBJECTTRANSFER_H
#define MOOBJECTTRANSFER_H

#include <QDateTime>
#include <QMetaType>
#include <QSharedDataPointer>

#include <optional>

#include "moobjecttransferrequest.h"
#include "mostorageobject.h"

class MOObjectTransferGroup;
class MOObjectTransferPrivate;

// One queued or running upload or download, as it was when the object was made.
class MOObjectTransfer
{
public:
    enum State : qint64 {
        Invalid = -1,
        Scheduled = 0,
        Running = 1,
        Idle = 2,
        Paused = 3,
        Completed = 4,
        Expired = 5,
        Canceled = 6,
        Error = 7
    };

    // An invalid transfer.
    MOObjectTransfer();
    MOObjectTransfer(const MOObjectTransfer &other);
    MOObjectTransfer &operator=(const MOObjectTransfer &other);
    ~MOObjectTransfer();

    bool isValid() const;
    MOStorageObject storageObject() const;
    MOObjectTransferRequest transferRequest() const;
    State state() const;
    // Bytes moved by the current run.
    qint64 transferredBytes() const;
    // Bytes done in all, what a resumed download already had included.
    qint64 totalTransferredBytes() const;
    qint64 totalBytes() const;
    // The transfer's row in the queue; 0 until first saved.
    qint64 identifier() const;
    // The group of a directory transfer's member; none for a transfer of its own. Looked up in
    // the queue once per object (and its copies), on the first call.
    std::optional<MOObjectTransferGroup> group() const;
    QDateTime createdAt() const;
    // Whether the queue recorded the account that queued it: false for one queued before
    // accounts were recorded.
    bool hasRecordedOwner() const;

    // Transfers are the same transfer when their identifiers are; a transfer not yet saved
    // (identifier 0) is equal only to itself and its copies.
    bool operator==(const MOObjectTransfer &other) const;
    bool operator!=(const MOObjectTransfer &other) const { return !(*this == other); }

private:
    friend class MOCoreValues;
    QSharedDataPointer<MOObjectTransferPrivate> d;
};

uint qHash(const MOObjectTransfer &transfer, uint seed = 0) noexcept;

Q_DECLARE_METATYPE(MOObjectTransfer)

// The group reads the transfer's states; it comes after the transfer, whichever is included first.
#include "moobjecttransfergroup.h"

#endif // MOOBJECTTRANSFER_H
