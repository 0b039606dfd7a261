#ifndef MOBJECTTRANSFERGROUP_H
#define MOBJECTTRANSFERGROUP_H

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>

#include "mobjecttransfer.h"
#include "mobjecttransferrequest.h"

class MObjectTransferGroupPrivate;

// The transfers made for one directory transfer, with their totals for display.
class MObjectTransferGroup
{
public:
    MObjectTransferGroup();
    MObjectTransferGroup(const MObjectTransferGroup &other);
    MObjectTransferGroup &operator=(const MObjectTransferGroup &other);
    ~MObjectTransferGroup();

    void swap(MObjectTransferGroup &other) noexcept { d.swap(other.d); }

    // A group is valid once the transfer queue has given it an identifier.
    bool isValid() const;

    qint64 identifier() const;
    void setIdentifier(qint64 identifier);
    // The members added to this copy.
    QList<MObjectTransfer> transfers() const;
    qint64 overallTransferredBytes() const;
    void setOverallTransferredBytes(qint64 bytes);
    qint64 totalBytes() const;
    void setTotalBytes(qint64 bytes);
    qint64 completedCount() const;
    void setCompletedCount(qint64 count);
    // An MObjectTransfer::State.
    int state() const;
    void setState(int state);
    // What the whole directory transfer asked for.
    MObjectTransferRequest transferRequest() const;
    void setTransferRequest(const MObjectTransferRequest &request);
    QString humanReadableIdentifier() const;
    void setHumanReadableIdentifier(const QString &identifier);
    QDateTime createdAt() const;
    void setCreatedAt(const QDateTime &createdAt);

    // Makes transfer a member (it takes this group's identifier, so save the group first)
    // and adds its bytes and completion to the totals.
    void addTransfer(MObjectTransfer &transfer);

    // The transfer queue of the core application; may set the identifier and the creation
    // date on this object.
    void save();
    // An invalid group when none has that identifier.
    static MObjectTransferGroup fromIdentifier(qint64 identifier);

private:
    QSharedDataPointer<MObjectTransferGroupPrivate> d;
};

Q_DECLARE_SHARED(MObjectTransferGroup)
Q_DECLARE_METATYPE(MObjectTransferGroup)

#endif // MOBJECTTRANSFERGROUP_H
