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

QByteArray chunk(const QByteArray &type, const QByteArray &data)
{
    const QByteArray typed = type + data;
    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    stream << quint32(data.size());
    stream.writeRawData(typed.constData(), typed.size());
    stream << crc32(typed);
    return out;
}

// Deflate's bit order: values from their lowest bit, Huffman codes from their highest.
class BitWriter
{
public:
    void write(quint32 value, int count)
    {
        for (int i = 0; i < count; ++i)
            push((value >> i) & 1);
    }
    void writeCode(quint32 code, int length)
    {
        for (int i = length - 1; i >= 0; --i)
            push((code >> i) & 1);
    }
    QByteArray finish()
    {
        if (used > 0)
            bytes.append(char(current));
        return bytes;
    }

private:
    void push(quint32 bit)
    {
        current |= quint8(bit << used);
        if (++used == 8) {
            bytes.append(char(current));
            current = 0;
            used = 0;
        }
    }

    QByteArray bytes;
    quint8 current = 0;
    int used = 0;
};

// A zlib stream of size zero bytes, in one block of fixed Huffman codes.
QByteArray zeroStream(qint64 size)
{
    BitWriter bits;
    bits.write(1, 1); // the last block
    bits.write(1, 2); // fixed codes
    const auto literalZero = [&bits] {
        bits.writeCode(0x30, 8);
    };
    literalZero();
    qint64 left = size - 1;
    for (; left >= 258; left -= 258) {
        bits.writeCode(0xc5, 8); // length 258
        bits.writeCode(0, 5);    // distance 1
    }
    for (; left > 0; --left)
        literalZero();
    bits.writeCode(0, 7); // end of block
    QByteArray stream("\x78\x01", 2);
    stream += bits.finish();
    const quint32 adler = (quint32(size % 65521) << 16) | 1;
    for (int shift = 24; shift >= 0; shift -= 8)
        stream.append(char(adler >> shift));
    return stream;
}

} // namespace

QByteArray TestImages::blankPng(int width, int height)
{
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly) << quint32(width) << quint32(height) << quint8(1)
                                               << quint8(0) << quint8(0) << quint8(0) << quint8(0);
    const qint64 rowBytes = 1 + (qint64(width) + 7) / 8; // with the filter byte
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", zeroStream(rowBytes * height)) + chunk("IEND", {});
}

QByteArray TestImages::png(int width)
{
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly) << quint32(width) << quint32(1) << quint8(8)
                                               << quint8(0) << quint8(0) << quint8(0) << quint8(0);
    // qCompress puts the size before the zlib stream; the row starts with its filter byte.
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", qCompress(QByteArray(1 + width, '\0')).mid(4)) + chunk("IEND", {});
}
