#include "byterange.h"

#include <QByteArray>

namespace {

// The value of plain decimal digits; -1 for anything else, overflow included.
qint64 number(const QByteArray &digits)
{
    if (digits.isEmpty() || digits.size() > 18)
        return -1;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return -1;
    }
    return digits.toLongLong();
}

} // namespace

ByteRange ByteRange::parse(const std::string &header, qint64 size)
{
    const QByteArray value = QByteArray::fromStdString(header).trimmed();
    const QByteArray unit = "bytes=";
    if (!value.startsWith(unit))
        return {};
    const QByteArray ranges = value.mid(unit.size()).trimmed();
    const int dash = ranges.indexOf('-');
    if (dash < 0 || ranges.contains(','))
        return {};
    const QByteArray from = ranges.left(dash).trimmed();
    const QByteArray to = ranges.mid(dash + 1).trimmed();

    if (from.isEmpty()) {
        // The last n bytes.
        const qint64 suffix = number(to);
        if (suffix < 0)
            return {};
        if (suffix == 0 || size == 0)
            return {Kind::Unsatisfiable};
        return {Kind::Part, qMax<qint64>(0, size - suffix), size - 1};
    }
    const qint64 first = number(from);
    const qint64 last = to.isEmpty() ? size - 1 : number(to);
    if (first < 0 || (!to.isEmpty() && last < first))
        return {};
    if (first >= size)
        return {Kind::Unsatisfiable};
    return {Kind::Part, first, qMin(last, size - 1)};
}
