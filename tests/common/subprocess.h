#ifndef SUBPROCESS_H
#define SUBPROCESS_H

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtTest>

// Cases that must run in a process of their own (a second set-up, a fatal message), run by
// the test executable itself. Needs nothing but Qt.
namespace Subprocess {

struct Result
{
    int exitCode = -1;
    bool crashed = false; // ended by a signal (a fatal message aborts)
    QByteArray standardError;
    QByteArray standardOutput;
};

// Runs this test executable again with "--subprocess <caseName> <arguments...>" and waits for
// it. The case runs through the handler given to TEST_MAIN_WITH_SUBPROCESS in the child's main().
Result run(const QString &caseName, const QStringList &arguments = {}, int timeoutMs = 30000);
// Starts the same child without waiting for it, for callers that talk to it or end it.
void start(QProcess *process, const QString &caseName, const QStringList &arguments = {});

// Whether a session bus and a keyring daemon can be started for startWithNewKeyring().
bool canStartNewKeyring();
// Starts this test executable with arguments in a session bus of its own, beside a keyring as a
// new account has it: the daemon runs, no login collection was ever made, and with no display
// nobody can be asked for a new one's password. home is its HOME and runtime folder.
void startWithNewKeyring(QProcess *process, const QString &home, const QStringList &arguments);

} // namespace Subprocess

// main() for suites with subprocess cases: when started with "--subprocess NAME ...", calls
// handler(NAME, remaining arguments) inside a QCoreApplication and exits with its result;
// otherwise runs the suite.
#define TEST_MAIN_WITH_SUBPROCESS(TestObject, handler)                                             \
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

#endif // SUBPROCESS_H
