#ifndef TESTCORE_H
#define TESTCORE_H

#include "subprocess.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace TestCore {

// Configures the process's core application for the service at serviceUrl (the URL without
// "/api/v1"), with supportPath as its support folder, and runs init().
void initCore(const QUrl &serviceUrl, const QString &supportPath);

// A support folder that lives as long as the process: the core holds a lock inside it until
// the application object is destroyed, after the test object and its members.
QString supportPath();

// Sets the configuration values without running init().
void configureCore(const QUrl &serviceUrl);

// The subprocess helpers, under the names the core's suites know them by.
using SubprocessResult = Subprocess::Result;
inline SubprocessResult runSubprocess(const QString &caseName, const QStringList &arguments = {},
                                      int timeoutMs = 30000)
{
    return Subprocess::run(caseName, arguments, timeoutMs);
}
inline void startSubprocess(QProcess *process, const QString &caseName,
                            const QStringList &arguments = {})
{
    Subprocess::start(process, caseName, arguments);
}

} // namespace TestCore

#define TESTCORE_MAIN_WITH_SUBPROCESS TEST_MAIN_WITH_SUBPROCESS

#endif // TESTCORE_H
