// Pausing, resuming and canceling transfers and groups, and the groups following their members.
#include "mobjectsender_p.h"

namespace {

bool isFinished(int state)
{
    return state >= MObjectTransfer::Completed;
}

} // namespace

void MObjectSenderPrivate::pauseTransfer(qint64 transferId, bool notify)
{
    MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (!transfer.isValid() || isFinished(transfer.state()) ||
        transfer.state() == MObjectTransfer::Paused)
        return;
    abortFlight(transferId);
    transfer.setState(MObjectTransfer::Paused);
    transfer.save();
    if (notify)
        emit q_func()->transferPaused(transfer);
}

void MObjectSenderPrivate::cancelTransfer(qint64 transferId)
{
    MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (!transfer.isValid() || isFinished(transfer.state()))
        return;
    abortFlight(transferId);
    if (transfer.transferRequest().direction() == Tolvo::Download)
        releasePartial(transfer);
    transfer.setState(MObjectTransfer::Canceled);
    transfer.save();
    finish(transfer);
}

void MObjectSenderPrivate::resumeTransfer(qint64 transferId)
{
    MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (transfer.state() != MObjectTransfer::Paused)
        return;
    transfer.setState(MObjectTransfer::Scheduled);
    transfer.save();
}

void MObjectSenderPrivate::pauseGroup(qint64 groupId)
{
    MObjectTransferGroup group = MObjectTransferGroup::fromIdentifier(groupId);
    if (!group.isValid())
        return;
    for (const MObjectTransfer &member : group.transfers())
        pauseTransfer(member.identifier(), true);
    group.setState(MObjectTransfer::Paused);
    group.save();
    emit q_func()->transferGroupPaused(group);
}

void MObjectSenderPrivate::cancelGroup(qint64 groupId)
{
    const MObjectTransferGroup group = MObjectTransferGroup::fromIdentifier(groupId);
    for (const MObjectTransfer &member : group.transfers())
        cancelTransfer(member.identifier());
}

void MObjectSenderPrivate::resumeGroup(qint64 groupId)
{
    const MObjectTransferGroup group = MObjectTransferGroup::fromIdentifier(groupId);
    for (const MObjectTransfer &member : group.transfers())
        resumeTransfer(member.identifier());
}

void MObjectSenderPrivate::memberStarted(const MObjectTransfer &transfer)
{
    MObjectTransferGroup group = transfer.group();
    if (!group.isValid() || group.state() == MObjectTransfer::Running)
        return;
    group.setState(MObjectTransfer::Running);
    group.save();
    emit q_func()->transferGroupStarted(group);
}

void MObjectSenderPrivate::memberProgressed(const MObjectTransfer &transfer)
{
    MObjectTransferGroup group = transfer.group();
    if (!group.isValid() || isFinished(group.state()))
        return;
    countGroupBytes(&group, transfer.identifier(), transfer.totalTransferredBytes());
    group.setState(MObjectTransfer::Running);
    group.save();
    emit q_func()->transferGroupProgressed(group);
}

void MObjectSenderPrivate::countGroupBytes(MObjectTransferGroup *group, qint64 memberId,
                                           qint64 bytes)
{
    const auto counted = groupMemberBytes.find(group->identifier());
    if (counted != groupMemberBytes.end()) {
        qint64 &previous = (*counted)[memberId];
        group->setOverallTransferredBytes(group->overallTransferredBytes() + bytes - previous);
        previous = bytes;
        return;
    }
    QHash<qint64, qint64> members;
    qint64 done = 0;
    for (const MObjectTransfer &member : group->transfers()) {
        const MObjectTransfer stored = MObjectTransfer::fromIdentifier(member.identifier());
        qint64 memberBytes = 0;
        if (!stored.isValid() || stored.state() == MObjectTransfer::Completed)
            memberBytes = stored.isValid() ? stored.totalBytes() : member.totalBytes();
        else
            memberBytes = stored.totalTransferredBytes();
        members.insert(member.identifier(), memberBytes);
        done += memberBytes;
    }
    groupMemberBytes.insert(group->identifier(), members);
    group->setOverallTransferredBytes(done);
}

void MObjectSenderPrivate::memberFinished(const MObjectTransfer &transfer)
{
    MObjectTransferGroup group = transfer.group();
    if (!group.isValid() || isFinished(group.state()))
        return;
    const QList<MObjectTransfer> members = group.transfers();
    // Counted as members finish; the members are looked at only when the count says all have,
    // so a large folder costs one pass rather than one per member. A member that finished twice
    // (failed, then retried) is put right by that pass.
    qint64 finished = group.completedCount() + 1;
    if (finished >= members.size()) {
        finished = 0;
        for (const MObjectTransfer &member : members) {
            // Completed members lose their stored row; after a restart they are simply gone.
            const MObjectTransfer stored = MObjectTransfer::fromIdentifier(member.identifier());
            if (!stored.isValid() || isFinished(stored.state()))
                ++finished;
        }
    }
    group.setCompletedCount(finished);
    if (transfer.state() == MObjectTransfer::Completed)
        countGroupBytes(&group, transfer.identifier(), transfer.totalBytes());
    if (finished == members.size()) {
        group.setState(MObjectTransfer::Completed);
        groupMemberBytes.remove(group.identifier());
    }
    group.save();
    if (group.state() == MObjectTransfer::Completed)
        emit q_func()->transferGroupFinished(group);
}
