#include "mcoperation.h"

#include <QHash>

#include <cmath>

MCOperation::MCOperation(Type type, const QString &sourcePath, const QString &destinationPath,
                         bool isDir, const QDateTime &addedAt)
    : m_type(type)
    , m_sourcePath(sourcePath)
    , m_destinationPath(destinationPath)
    , m_addedAt(addedAt)
    , m_isDir(isDir)
{}

MCOperation::MCOperation(Type type, const MOObjectTransfer &transfer)
    : m_type(type)
    , m_sourcePath(transfer.transferRequest().sourcePath())
    , m_destinationPath(transfer.transferRequest().destinationPath())
    , m_addedAt(transfer.createdAt())
    , m_transfer(transfer)
{}

MCOperation::MCOperation(Type type, const MOObjectTransferGroup &group)
    : m_type(type)
    , m_sourcePath(group.transferRequest().sourcePath())
    , m_destinationPath(group.transferRequest().destinationPath())
    , m_addedAt(group.createdAt())
    , m_group(group)
    , m_isDir(true)
{}

bool MCOperation::updateStats(quint64 transferred, quint64 total, const QDateTime &now)
{
    if (total == 0)
        return false;
    m_transferred = transferred;
    if (m_lastProgressDate.isValid() && std::llabs(m_lastProgressDate.msecsTo(now)) < 1000)
        return false;
    m_totalBytes = total;
    m_progress = qMin(100.0f, float(transferred) / float(total) * 100.0f);
    if (m_lastProgressTransferred != 0) {
        const double elapsed = std::llabs(m_lastProgressDate.msecsTo(now)) / 1000.0;
        // A count below the last one is a run that started over: no rate to tell yet, rather
        // than the wrapped difference.
        const float rate = transferred >= m_lastProgressTransferred
                               ? float(double(transferred - m_lastProgressTransferred) / elapsed)
                               : 0.0f;
        m_transferRate = std::isfinite(rate) ? quint64(rate) : 0;
        if (rate != 0.0f && std::isfinite(rate))
            m_timeLeft = transferred >= total ? 0 : quint64(float(total - transferred) / rate);
        else
            m_timeLeft = UnknownTimeLeft;
    }
    m_lastProgressDate = now;
    m_lastProgressTransferred = transferred;
    return true;
}

quint64 MCOperation::operationHashCombine(quint64 type, const MOObjectTransfer *transfer,
                                          const MOObjectTransferGroup *group,
                                          const QString *sourcePath, const QString *destinationPath,
                                          const QDateTime *date)
{
    quint64 key = 0;
    if (transfer && transfer->isValid())
        key = quint64(transfer->identifier());
    else if (group && group->isValid())
        key = quint64(group->identifier());
    if (date && date->isValid())
        key ^= quint64(date->toSecsSinceEpoch());
    if (sourcePath && !sourcePath->isNull())
        key ^= qHash(*sourcePath);
    if (destinationPath && !destinationPath->isNull())
        key ^= qHash(*destinationPath);
    return key ^ type;
}

quint64 MCOperation::hash() const
{
    const bool wraps = hasTransfer() || hasGroup();
    return operationHashCombine(m_type, &m_transfer, &m_group, &m_sourcePath, &m_destinationPath,
                                wraps ? &m_addedAt : nullptr);
}

bool MCOperation::operator==(const MCOperation &other) const
{
    if (this == &other)
        return true;
    const bool pathsMatch = !m_sourcePath.isNull() && !other.m_sourcePath.isNull() &&
                            !m_destinationPath.isNull() && !other.m_destinationPath.isNull() &&
                            m_sourcePath == other.m_sourcePath &&
                            m_destinationPath == other.m_destinationPath;
    if (!pathsMatch || m_type != other.m_type)
        return false;
    if (hasTransfer())
        return m_transfer == other.m_transfer && m_addedAt == other.m_addedAt;
    if (hasGroup())
        return m_group == other.m_group && m_addedAt == other.m_addedAt;
    return !other.hasTransfer() && !other.hasGroup();
}
