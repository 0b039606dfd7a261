#include "testimages.h"

#include <QDataStream>

namespace {

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffff;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

} // namespace

QByteArray TestImages::png(int width)
{
    const auto chunk = [](const QByteArray &type, const QByteArray &data) {
        const QByteArray typed = type + data;
        QByteArray out;
        QDataStream stream(&out, QIODevice::WriteOnly);
        stream << quint32(data.size());
        stream.writeRawData(typed.constData(), typed.size());
        stream << crc32(typed);
        return out;
    };
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly) << quint32(width) << quint32(1) << quint8(8)
                                               << quint8(0) << quint8(0) << quint8(0) << quint8(0);
    // qCompress puts the size before the zlib stream; the row starts with its filter byte.
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", qCompress(QByteArray(1 + width, '\0')).mid(4)) + chunk("IEND", {});
}
