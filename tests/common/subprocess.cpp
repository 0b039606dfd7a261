#include "subprocess.h"

#include <QProcessEnvironment>
#include <QStandardPaths>

namespace Subprocess {

void start(QProcess *process, const QString &caseName, const QStringList &arguments)
{
    process->setProgram(QCoreApplication::applicationFilePath());
    process->setArguments(QStringList{QStringLiteral("--subprocess"), caseName} + arguments);
    process->start();
}

bool canStartNewKeyring()
{
    return !QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty();
}

void startWithNewKeyring(QProcess *process, const QString &home, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_DATA_HOME"})
        environment.remove(QString::fromLatin1(variable));
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral("dbus-run-session"),
                   QStringList{QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                               QStringLiteral("gnome-keyring-daemon --daemonize "
                                              "--components=secrets >/dev/null && "
                                              "exec \"$0\" \"$@\""),
                               QCoreApplication::applicationFilePath()} +
                       arguments);
}

Result run(const QString &caseName, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    start(&process, caseName, arguments);
    Result result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    result.standardError = process.readAllStandardError();
    result.standardOutput = process.readAllStandardOutput();
    return result;
}

} // namespace Subprocess
