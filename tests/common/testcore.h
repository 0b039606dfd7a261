#ifndef TESTCORE_H
#define TESTCORE_H

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

struct SubprocessResult
{
    int exitCode = -1;
    bool crashed = false; // ended by a signal (a fatal message aborts)
    QByteArray standardError;
    QByteArray standardOutput;
};

// Runs this test executable again with "--subprocess <caseName> <arguments...>" and waits for
// it. The case runs through runSubprocessCase() in the child's main().
SubprocessResult runSubprocess(const QString &caseName, const QStringList &arguments = {},
                               int timeoutMs = 30000);
// Starts the same child without waiting for it, for callers that talk to it or end it.
void startSubprocess(QProcess *process, const QString &caseName, const QStringList &arguments = {});

} // namespace TestCore

// main() for suites with subprocess cases: when started with "--subprocess NAME ...", calls
// handler(NAME, remaining arguments) inside a QCoreApplication and exits with its result;
// otherwise runs the suite.
#define TESTCORE_MAIN_WITH_SUBPROCESS(TestObject, handler)                                         \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        if (argc >= 3 && qstrcmp(argv[1], "--subprocess") == 0) {                                  \
            QCoreApplication app(argc, argv);                                                      \
            QStringList args = app.arguments().mid(3);                                             \
            return handler(QString::fromLocal8Bit(argv[2]), args);                                 \
        }                                                                                          \
        QCoreApplication app(argc, argv);                                                          \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

#endif // TESTCORE_H
