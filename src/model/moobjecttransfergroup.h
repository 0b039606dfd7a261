#ifndef MOOBJECTTRANSFERGROUP_H
#define MOOBJECTTRANSFERGROUP_H

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>

#include "moobjecttransfer.h"

class MOObjectTransferGroupPrivate;
class MOObjectTransferRequest;

// The transfers of one directory transfer, with their totals. A setter changes only this
// object, never the transfer queue.
class MOObjectTransferGroup
{
public:
    // An invalid group: identifier 0.
    MOObjectTransferGroup();
    MOObjectTransferGroup(const MOObjectTransferGroup &other);
    MOObjectTransferGroup &operator=(const MOObjectTransferGroup &other);
    ~MOObjectTransferGroup();

    bool isValid() const;
    qint64 identifier() const;
    // New transfer objects on every call, in the group's order.
    QList<MOObjectTransfer> transfers() const;
    qint64 totalBytes() const;
    void setTotalBytes(qint64 bytes);
    qint64 overallTransferredBytes() const;
    void setOverallTransferredBytes(qint64 bytes);
    qint64 completedCount() const;
    void setCompletedCount(qint64 count);
    QString humanReadableIdentifier() const;
    void setHumanReadableIdentifier(const QString &identifier);
    // Stored in 32 bits.
    MOObjectTransfer::State state() const;
    void setState(qint64 state);
    // The request of the whole directory transfer.
    MOObjectTransferRequest transferRequest() const;
    void setTransferRequest(const MOObjectTransferRequest &request);
    QDateTime createdAt() const;

    // Groups are the same group when their identifiers are; a group not yet saved
    // (identifier 0) is equal only to itself and its copies.
    bool operator==(const MOObjectTransferGroup &other) const;
    bool operator!=(const MOObjectTransferGroup &other) const { return !(*this == other); }

private:
    friend class MOCoreValues;
    QSharedDataPointer<MOObjectTransferGroupPrivate> d;
};

uint qHash(const MOObjectTransferGroup &group, uint seed = 0) noexcept;

Q_DECLARE_METATYPE(MOObjectTransferGroup)

#endif // MOOBJECTTRANSFERGROUP_H
