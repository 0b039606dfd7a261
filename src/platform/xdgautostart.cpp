#include "xdgautostart.h"

#include "platformlogging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace {

// Quotes one Exec argument as the desktop entry format asks, then escapes it as a string value.
QString execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString quoted;
    if (needsQuotes) {
        quoted += QLatin1Char('"');
        for (const QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        quoted += QLatin1Char('"');
    } else {
        quoted = argument;
    }
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    QString escaped;
    for (const QChar c : qAsConst(quoted)) {
        if (c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else
            escaped += c;
    }
    return escaped;
}

QString stringValue(const QString &raw)
{
    QString value;
    for (int i = 0; i < raw.size(); ++i) {
        if (raw.at(i) == QLatin1Char('\\') && i + 1 < raw.size()) {
            const QChar next = raw.at(++i);
            value += next == QLatin1Char('n')   ? QChar(QLatin1Char('\n'))
                     : next == QLatin1Char('t') ? QChar(QLatin1Char('\t'))
                     : next == QLatin1Char('s') ? QChar(QLatin1Char(' '))
                                                : next;
        } else {
            value += raw.at(i);
        }
    }
    return value;
}

// The program an Exec value starts: its first argument, unquoted.
QString execProgram(const QString &exec)
{
    const QString value = exec.trimmed();
    if (!value.startsWith(QLatin1Char('"')))
        return value.section(QLatin1Char(' '), 0, 0);
    QString program;
    for (int i = 1; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size())
            program += value.at(++i);
        else if (c == QLatin1Char('"'))
            return program;
        else
            program += c;
    }
    return QString(); // unterminated quote
}

QString canonicalProgram(const QString &program)
{
    const QString path =
        QFileInfo(program).isAbsolute() ? program : QStandardPaths::findExecutable(program);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

} // namespace

XdgAutostart::XdgAutostart(const QString &desktopId, const QString &executable, const QString &name)
    : m_desktopId(desktopId)
    , m_executable(executable)
    , m_name(name)
{}

QString XdgAutostart::filePath() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + m_desktopId + QStringLiteral(".desktop");
}

bool XdgAutostart::isEnabled() const
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    bool inEntry = false;
    QString program;
    bool hidden = false;
    bool disabled = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (!inEntry || line.startsWith(QLatin1Char('#')) || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = stringValue(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Exec"))
            program = execProgram(value);
        else if (key == QLatin1String("Hidden"))
            hidden = value == QLatin1String("true");
        else if (key == QLatin1String("X-GNOME-Autostart-enabled"))
            disabled = value == QLatin1String("false");
    }
    return !hidden && !disabled && !program.isEmpty() &&
           canonicalProgram(program) == canonicalProgram(m_executable);
}

bool XdgAutostart::setEnabled(bool enabled)
{
    const QString path = filePath();
    if (!enabled) {
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
            return true;
        if (QFile::remove(path))
            return true;
        qCWarning(lcAutostart, "Cannot remove %s", qPrintable(path));
        return false;
    }
    if (isEnabled())
        return true;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        qCWarning(lcAutostart, "Cannot create the folder of %s", qPrintable(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qCWarning(lcAutostart, "Cannot write %s: %s", qPrintable(path),
                  qPrintable(file.errorString()));
        return false;
    }
    // Only the session of this user reads it.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QString name = m_name;
    name.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=%1\n"
                                         "Exec=%2\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(name, execArgument(m_executable));
    file.write(entry.toUtf8());
    if (!file.commit()) {
        qCWarning(lcAutostart, "Cannot write %s: %s", qPrintable(path),
                  qPrintable(file.errorString()));
        return false;
    }
    return true;
}
