#include "subprocess.h"

namespace Subprocess {

void start(QProcess *process, const QString &caseName, const QStringList &arguments)
{
    process->setProgram(QCoreApplication::applicationFilePath());
    process->setArguments(QStringList{QStringLiteral("--subprocess"), caseName} + arguments);
    process->start();
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
