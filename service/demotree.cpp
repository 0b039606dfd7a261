#include "demotree.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <functional>

namespace {

constexpr int pdfPaddingBytes = 3 * 1024 * 1024;

// A sky-to-ground gradient with something drawn on it: each picture looks different, also
// as a small thumbnail.
QImage picture(const QSize &size, const QColor &top, const QColor &bottom,
               const std::function<void(QPainter &, const QRectF &)> &draw, bool antialiased = true)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    const QRectF area(QPointF(0, 0), size);
    painter.fillRect(area, gradient);
    painter.setPen(Qt::NoPen);
    draw(painter, area);
    painter.end();
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, format == QByteArrayLiteral("webp") ? 85 : -1);
    return bytes;
}

void appendLittleEndian16(QByteArray *bytes, int value)
{
    bytes->append(char(value & 0xff));
    bytes->append(char(value >> 8));
}

// Qt reads GIF but cannot write it. Every pixel goes out as a literal 9-bit code, with a
// clear code often enough that the decoder's table never widens the codes: valid, if not
// small. image has at most 256 colours.
QByteArray gif(const QImage &image)
{
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QByteArray bytes = "GIF89a";
    appendLittleEndian16(&bytes, indexed.width());
    appendLittleEndian16(&bytes, indexed.height());
    bytes.append(char(0xf7)); // a global table of 256 colours
    bytes.append(2, char(0));
    QVector<QRgb> colours = indexed.colorTable();
    colours.resize(256);
    for (const QRgb colour : colours) {
        bytes.append(char(qRed(colour)));
        bytes.append(char(qGreen(colour)));
        bytes.append(char(qBlue(colour)));
    }
    bytes.append(char(0x2c));
    appendLittleEndian16(&bytes, 0);
    appendLittleEndian16(&bytes, 0);
    appendLittleEndian16(&bytes, indexed.width());
    appendLittleEndian16(&bytes, indexed.height());
    bytes.append(char(0));
    constexpr int minimumCodeSize = 8;
    constexpr quint32 clearCode = 256;
    constexpr quint32 endCode = 257;
    // After a clear the table gains one entry per code but the first: 250 codes stay below
    // 512 entries, where codes would grow to 10 bits.
    constexpr int codesPerClear = 250;
    bytes.append(char(minimumCodeSize));

    QByteArray data;
    quint32 pending = 0;
    int pendingBits = 0;
    const auto put = [&](quint32 code) {
        pending |= code << pendingBits;
        pendingBits += 9;
        while (pendingBits >= 8) {
            data.append(char(pending & 0xff));
            pending >>= 8;
            pendingBits -= 8;
        }
    };
    int sinceClear = codesPerClear;
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar *line = indexed.constScanLine(y);
        for (int x = 0; x < indexed.width(); ++x) {
            if (sinceClear == codesPerClear) {
                put(clearCode);
                sinceClear = 0;
            }
            put(line[x]);
            ++sinceClear;
        }
    }
    put(endCode);
    if (pendingBits > 0)
        data.append(char(pending & 0xff));
    for (int at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        bytes.append(char(block.size()));
        bytes.append(block);
    }
    bytes.append(char(0)); // the image's last block
    bytes.append(char(0x3b));
    return bytes;
}

QPolygonF polygon(std::initializer_list<QPointF> points)
{
    return QPolygonF(QVector<QPointF>(points));
}

QPolygonF star(const QPointF &centre, qreal outer, qreal inner)
{
    QPolygonF points;
    for (int i = 0; i < 10; ++i) {
        const qreal angle = -M_PI / 2 + i * M_PI / 5;
        const qreal radius = i % 2 ? inner : outer;
        points << centre + QPointF(radius * qCos(angle), radius * qSin(angle));
    }
    return points;
}

QByteArray sunset()
{
    return encoded(
        picture({1600, 1200}, QColor(255, 140, 40), QColor(110, 30, 120),
                [](QPainter &painter, const QRectF &area) {
                    painter.setBrush(QColor(255, 230, 80));
                    painter.drawEllipse(QPointF(area.width() * 0.6, area.height() * 0.55), 220,
                                        220);
                    painter.setBrush(QColor(40, 20, 60));
                    painter.drawPolygon(polygon({{0, area.height()},
                                                 {0, area.height() * 0.7},
                                                 {area.width() * 0.3, area.height() * 0.6},
                                                 {area.width() * 0.7, area.height() * 0.75},
                                                 {area.width(), area.height() * 0.65},
                                                 {area.width(), area.height()}}));
                }),
        "JPEG");
}

QByteArray beach()
{
    return encoded(picture({1600, 1200}, QColor(90, 180, 250), QColor(240, 220, 160),
                           [](QPainter &painter, const QRectF &area) {
                               painter.setBrush(QColor(20, 110, 190));
                               painter.drawRect(QRectF(0, area.height() * 0.45, area.width(),
                                                       area.height() * 0.2));
                               painter.setBrush(QColor(220, 40, 50));
                               QPainterPath umbrella;
                               umbrella.moveTo(500, 700);
                               umbrella.arcTo(QRectF(500, 550, 500, 300), 180, -180);
                               umbrella.closeSubpath();
                               painter.drawPath(umbrella);
                               painter.fillRect(QRectF(745, 700, 10, 300), QColor(90, 60, 30));
                           }),
                   "PNG");
}

QByteArray mountains()
{
    // Upright, so that not every thumbnail has the same shape.
    return encoded(picture({1200, 1600}, QColor(200, 230, 255), QColor(40, 130, 60),
                           [](QPainter &painter, const QRectF &area) {
                               painter.setBrush(QColor(90, 90, 110));
                               painter.drawPolygon(polygon({{0, area.height() * 0.8},
                                                            {area.width() * 0.45, 300},
                                                            {area.width(), area.height() * 0.8}}));
                               painter.setBrush(Qt::white);
                               painter.drawPolygon(polygon({{area.width() * 0.34, 560},
                                                            {area.width() * 0.45, 300},
                                                            {area.width() * 0.57, 560}}));
                           }),
                   "JPEG");
}

QByteArray badge()
{
    // Flat colours without antialiasing: a GIF's palette holds 256.
    return gif(picture(
        {800, 800}, QColor(250, 250, 250), QColor(250, 250, 250),
        [](QPainter &painter, const QRectF &area) {
            const QColor rings[]{QColor(230, 50, 50), QColor(250, 170, 20), QColor(60, 170, 70),
                                 QColor(40, 90, 200)};
            const QPointF centre = area.center();
            for (int i = 0; i < 4; ++i) {
                painter.setBrush(rings[i]);
                painter.drawEllipse(centre, 380 - i * 80, 380 - i * 80);
            }
            painter.setBrush(Qt::white);
            painter.drawPolygon(star(centre, 80, 35));
        },
        false));
}

QByteArray chart()
{
    return encoded(
        picture({1024, 768}, Qt::white, QColor(230, 235, 245),
                [](QPainter &painter, const QRectF &area) {
                    const QColor bars[]{QColor(70, 110, 220), QColor(230, 90, 60),
                                        QColor(80, 180, 90), QColor(160, 80, 200),
                                        QColor(240, 190, 40)};
                    const int heights[]{420, 260, 560, 330, 480};
                    for (int i = 0; i < 5; ++i)
                        painter.fillRect(
                            QRectF(100 + i * 170, area.height() - 80 - heights[i], 120, heights[i]),
                            bars[i]);
                    painter.fillRect(QRectF(60, area.height() - 80, 900, 6), QColor(60, 60, 60));
                }),
        "BMP");
}

QByteArray harbour()
{
    return encoded(
        picture(
            {1600, 1200}, QColor(20, 30, 80), QColor(10, 60, 90),
            [](QPainter &painter, const QRectF &area) {
                painter.setBrush(QColor(255, 250, 210));
                painter.drawPolygon(star({300, 250}, 90, 40));
                painter.setBrush(QColor(200, 70, 40));
                painter.drawPolygon(polygon({{500, 800}, {1100, 800}, {1000, 950}, {600, 950}}));
                painter.setBrush(Qt::white);
                painter.drawPolygon(polygon({{800, 780}, {800, 420}, {1050, 780}}));
                painter.fillRect(QRectF(0, 950, area.width(), 250), QColor(10, 40, 70));
            }),
        "webp");
}

// One page with coloured blocks (no fonts needed), then a stream no page uses that brings
// the file to a few MiB; the cross-reference table points at every object.
QByteArray pdf()
{
    QByteArray padding(pdfPaddingBytes, Qt::Uninitialized);
    quint32 state = 2463534242u; // xorshift: bytes that do not compress
    for (char &byte : padding) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = char(state);
    }
    const QByteArray page = "0.16 0.38 0.85 rg 72 620 451 150 re f\n"
                            "0.95 0.55 0.15 rg 72 420 210 170 re f\n"
                            "0.30 0.70 0.35 rg 313 420 210 170 re f\n";
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R >>",
        "<< /Length " + QByteArray::number(page.size()) + " >>\nstream\n" + page + "\nendstream",
        "<< /Length " + QByteArray::number(padding.size()) + " >>\nstream\n" + padding +
            "\nendstream"};
    QByteArray file = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    QByteArray table =
        "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int i = 0; i < objects.size(); ++i) {
        table += QByteArray::number(file.size()).rightJustified(10, '0') + " 00000 n \n";
        file += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const int tableOffset = file.size();
    file += table + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
            " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(tableOffset) + "\n%%EOF\n";
    return file;
}

} // namespace

std::vector<ObjectStore::Planted> DemoTree::objects()
{
    const auto file = [](const char *path, const QByteArray &content) {
        return ObjectStore::Planted{QString::fromUtf8(path), false, content};
    };
    const auto folder = [](const char *path) {
        return ObjectStore::Planted{QString::fromUtf8(path), true, QByteArray()};
    };
    std::vector<ObjectStore::Planted> tree{
        folder("/Documents"),
        folder("/Photos"),
        folder("/Photos/Trip"),
        file("/Documents/Welcome.txt",
             "Welcome to Kerlo.\n\n"
             "This account holds a few demo files: pictures of several formats in Photos\n"
             "and a manual in Documents. Drop your own files in to upload them.\n"),
        file("/Documents/Manual.pdf", pdf()),
        file("/Photos/Sunset.jpg", sunset()),
        file("/Photos/Badge.gif", badge()),
        file("/Photos/Chart.bmp", chart()),
        file("/Photos/Trip/Beach.png", beach()),
        file("/Photos/Trip/Mountains.jpg", mountains()),
    };
    if (QImageWriter::supportedImageFormats().contains("webp"))
        tree.push_back(file("/Photos/Trip/Harbour.webp", harbour()));
    return tree;
}

StoreError DemoTree::seed(ObjectStore &store, qint64 userId, int *added)
{
    *added = 0;
    // Drawing and encoding take a moment: skipped when the tree could not go in anyway.
    bool empty = false;
    if (StoreError failed = store.isEmpty(userId, &empty))
        return failed;
    if (!empty)
        return {};
    return store.plantIntoEmptyRoot(userId, objects(), added);
}
