#include "munrepeatablebody.h"

#include <cstring>

MUnrepeatableBody::MUnrepeatableBody(const QByteArray &bytes, QObject *parent)
    : QIODevice(parent)
    , m_bytes(bytes)
{
    // Unbuffered, as QBuffer: every read is at pos().
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

MUnrepeatableBody::MUnrepeatableBody(QIODevice *source, QObject *parent)
    : QIODevice(parent)
    , m_source(source)
    , m_sourceStart(source->pos())
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

bool MUnrepeatableBody::isSequential() const
{
    // Qt copies a sequential body into a buffer of its own, which it can rewind.
    return false;
}

qint64 MUnrepeatableBody::size() const
{
    if (!m_source)
        return m_bytes.size();
    return qMax<qint64>(0, m_source->size() - m_sourceStart);
}

bool MUnrepeatableBody::seek(qint64 pos)
{
    if (pos < this->pos())
        return false;
    return QIODevice::seek(pos);
}

bool MUnrepeatableBody::reset()
{
    return false;
}

qint64 MUnrepeatableBody::readData(char *data, qint64 maxSize)
{
    const qint64 at = pos();
    if (!m_source) {
        const qint64 count = qMin(maxSize, qint64(m_bytes.size()) - at);
        if (count <= 0)
            return 0;
        std::memcpy(data, m_bytes.constData() + at, size_t(count));
        return count;
    }
    if (!m_source->seek(m_sourceStart + at))
        return -1;
    return m_source->read(data, maxSize);
}

qint64 MUnrepeatableBody::writeData(const char *, qint64)
{
    return -1;
}
