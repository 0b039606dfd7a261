#include "objectpath.h"

#include <QStringList>
#include <QTextCodec>

namespace {

const QString root = QStringLiteral("/");

} // namespace

std::optional<QString> ObjectPath::normalized(const QString &path)
{
    QStringList names = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &name : names) {
        if (name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QChar(0)) ||
            name.toUtf8().size() > maximumNameBytes)
            return std::nullopt;
    }
    const QString canonical = root + names.join(QLatin1Char('/'));
    if (canonical.toUtf8().size() > maximumPathBytes)
        return std::nullopt;
    return canonical;
}

std::optional<QString> ObjectPath::fromUtf8(const std::string &path)
{
    QTextCodec::ConverterState state;
    const QString text =
        QTextCodec::codecForMib(106)->toUnicode(path.data(), int(path.size()), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0)
        return std::nullopt;
    return normalized(text);
}

QString ObjectPath::parent(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? root : path.left(slash);
}

QString ObjectPath::name(const QString &path)
{
    return path == root ? root : path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString ObjectPath::child(const QString &folder, const QString &name)
{
    return folder == root ? root + name : folder + QLatin1Char('/') + name;
}

bool ObjectPath::isWithin(const QString &path, const QString &ancestor)
{
    if (ancestor == root || path == ancestor)
        return true;
    return path.startsWith(ancestor) && path.at(ancestor.size()) == QLatin1Char('/');
}

QString ObjectPath::rebased(const QString &path, const QString &from, const QString &to)
{
    if (path == from)
        return to;
    const QString rest = from == root ? path.mid(1) : path.mid(from.size() + 1);
    return child(to, rest);
}
