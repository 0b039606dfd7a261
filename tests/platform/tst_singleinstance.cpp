#include "singleinstance.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

namespace {

// The suite's binary doubles as the second process:
//   --instance <folder> <report file> <hand-overs to wait for> [arguments...]
// It reports its role on the first line of the report, its own arguments on the second, and,
// as the primary, each list handed to it on a line of its own; it exits once it has received
// the given number of lists (or after 20 s).
const char InstanceMode[] = "--instance";

void appendLine(const QString &report, const QByteArray &line)
{
    QFile file(report);
    if (file.open(QIODevice::Append))
        file.write(line + '\n');
}

QByteArray json(const QStringList &list)
{
    return QJsonDocument(QJsonArray::fromStringList(list)).toJson(QJsonDocument::Compact);
}

int runInstance(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString folder = arguments.at(2);
    const QString report = arguments.at(3);
    const int expected = arguments.at(4).toInt();
    SingleInstance instance(folder);
    if (qEnvironmentVariableIsSet("TEST_RELAUNCH_WAIT_MS"))
        instance.setRelaunchWaitMs(qEnvironmentVariableIntValue("TEST_RELAUNCH_WAIT_MS"));
    int received = 0;
    QObject::connect(&instance, &SingleInstance::argumentsReceived, &app,
                     [&](const QStringList &handedOver) {
                         appendLine(report, json(handedOver));
                         if (++received >= expected)
                             app.quit();
                     });
    const SingleInstance::Result result = instance.start(arguments);
    appendLine(report, QMetaEnum::fromType<SingleInstance::Result>().valueToKey(result));
    appendLine(report, json(arguments));
    if (result != SingleInstance::Primary)
        return result == SingleInstance::Forwarded ? 0 : 2;
    if (expected <= 0)
        return 0;
    QTimer::singleShot(20000, &app, &QCoreApplication::quit);
    return app.exec();
}

QStringList reportLines(const QString &report)
{
    QFile file(report);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    lines.removeAll(QString());
    return lines;
}

QStringList fromJson(const QString &line)
{
    QStringList list;
    const QJsonArray array = QJsonDocument::fromJson(line.toUtf8()).array();
    for (const QJsonValue &value : array)
        list.append(value.toString());
    return list;
}

// Arguments a shell would split or run.
const QStringList HostileArguments = {
    QStringLiteral("kerlo://thirdpartyproviders?code=a b&state=\"x\""),
    QStringLiteral("two words"),
    QStringLiteral("it's \"quoted\""),
    QStringLiteral("semi; colon $(touch /tmp/x) `id`"),
    QString(),
};

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void secondLaunchHandsItsArgumentsOver();
    void malformedHandOversAreDropped();
    void onlyOneOfConcurrentLaunchesIsPrimary();
    void deadInstanceIsTakenOver();
    void relaunchWaitsForTheQuittingInstance();

private:
    QProcess *launch(const QString &report, int expected, const QStringList &extra = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

void TestSingleInstance::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->filePath(QStringLiteral("support/Lumarin"));
}

QProcess *TestSingleInstance::launch(const QString &report, int expected, const QStringList &extra)
{
    auto *process = new QProcess(this);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QCoreApplication::applicationFilePath(),
                   QStringList{QString::fromLatin1(InstanceMode), m_folder, report,
                               QString::number(expected)} +
                       extra);
    return process;
}

void TestSingleInstance::secondLaunchHandsItsArgumentsOver()
{
    SingleInstance primary(m_folder);
    QSignalSpy received(&primary, &SingleInstance::argumentsReceived);
    QCOMPARE(primary.start(QCoreApplication::arguments()), SingleInstance::Primary);
    QVERIFY(primary.isPrimary());
    QVERIFY(QFileInfo::exists(primary.lockFilePath()));

    // Only this user may reach the socket or the support folder.
    struct stat socketStat = {};
    QCOMPARE(::stat(QFile::encodeName(primary.serverName()).constData(), &socketStat), 0);
    QVERIFY(S_ISSOCK(socketStat.st_mode));
    QCOMPARE(socketStat.st_mode & (S_IRWXG | S_IRWXO), 0u);
    QCOMPARE(QFileInfo(m_folder).permissions() &
                 ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                   QFile::WriteUser | QFile::ExeUser),
             QFile::Permissions());

    const QString report = m_dir->filePath(QStringLiteral("second"));
    QProcess *second = launch(report, 0, HostileArguments);
    // The primary answers from this event loop: wait without blocking it.
    QTRY_COMPARE_WITH_TIMEOUT(second->state(), QProcess::NotRunning, 30000);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(reportLines(report).value(0), QStringLiteral("Forwarded"));

    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 10000);
    const QStringList handedOver = received.at(0).at(0).toStringList();
    QCOMPARE(handedOver.mid(1), (QStringList{QString::fromLatin1(InstanceMode), m_folder, report,
                                             QStringLiteral("0")} +
                                 HostileArguments));
    QVERIFY(handedOver.value(0).endsWith(QStringLiteral("tst_singleinstance")));
}

void TestSingleInstance::malformedHandOversAreDropped()
{
    SingleInstance primary(m_folder);
    QSignalSpy received(&primary, &SingleInstance::argumentsReceived);
    QCOMPARE(primary.start(QCoreApplication::arguments()), SingleInstance::Primary);

    const QList<QByteArray> messages = {
        QByteArray::fromHex("ffffffff") + QByteArray(64, 'x'),    // a size past any limit
        QByteArray::fromHex("00000008") + "notmagic",             // a wrong header
        QByteArray::fromHex("00000003") + "abc",                  // too short for its header
        QByteArray::fromHex("0000000c4c4d52317fffffff") + "abcd", // a count past the payload
    };
    for (const QByteArray &message : messages) {
        QLocalSocket socket;
        socket.connectToServer(primary.serverName());
        QVERIFY(socket.waitForConnected(5000));
        socket.write(message);
        QVERIFY(socket.waitForBytesWritten(5000));
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QLocalSocket::UnconnectedState, 10000);
        QCOMPARE(socket.bytesAvailable(), 0); // no acknowledgement
    }
    QCOMPARE(received.count(), 0);

    // The server still takes a sound hand-over afterwards.
    const QString report = m_dir->filePath(QStringLiteral("after"));
    QProcess *second = launch(report, 0, {QStringLiteral("kerlo://thirdpartyproviders")});
    QTRY_COMPARE_WITH_TIMEOUT(second->state(), QProcess::NotRunning, 30000);
    QCOMPARE(second->exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 10000);
    QCOMPARE(received.at(0).at(0).toStringList().last(),
             QStringLiteral("kerlo://thirdpartyproviders"));
}

void TestSingleInstance::onlyOneOfConcurrentLaunchesIsPrimary()
{
    const int count = 4;
    QList<QProcess *> processes;
    QStringList reports;
    for (int i = 0; i < count; ++i) {
        reports.append(m_dir->filePath(QStringLiteral("report%1").arg(i)));
        processes.append(launch(reports.last(), count - 1, {QStringLiteral("launch %1").arg(i)}));
    }
    for (QProcess *process : qAsConst(processes)) {
        QVERIFY(process->waitForFinished(40000));
        QCOMPARE(process->exitCode(), 0);
    }
    int primaries = 0;
    QStringList handedOver;
    for (const QString &report : qAsConst(reports)) {
        const QStringList lines = reportLines(report);
        if (lines.value(0) == QLatin1String("Primary")) {
            ++primaries;
            for (const QString &line : lines.mid(2))
                handedOver.append(fromJson(line).last());
        } else {
            QCOMPARE(lines.value(0), QStringLiteral("Forwarded"));
        }
    }
    QCOMPARE(primaries, 1);
    QCOMPARE(handedOver.size(), count - 1);
}

void TestSingleInstance::deadInstanceIsTakenOver()
{
    const QString report = m_dir->filePath(QStringLiteral("dead"));
    QProcess *holder = launch(report, 1000);
    QTRY_COMPARE_WITH_TIMEOUT(reportLines(report).value(0), QStringLiteral("Primary"), 20000);
    holder->kill();
    QVERIFY(holder->waitForFinished(10000));

    // Lock file and socket are left behind by the killed process.
    SingleInstance successor(m_folder);
    QCOMPARE(successor.start(QCoreApplication::arguments()), SingleInstance::Primary);
    QLocalSocket socket;
    socket.connectToServer(successor.serverName());
    QVERIFY(socket.waitForConnected(5000));
}

void TestSingleInstance::relaunchWaitsForTheQuittingInstance()
{
    auto quitting = std::make_unique<SingleInstance>(m_folder);
    QSignalSpy received(quitting.get(), &SingleInstance::argumentsReceived);
    QCOMPARE(quitting->start(QCoreApplication::arguments()), SingleInstance::Primary);
    const QStringList passed = QStringList{QString::fromLatin1(InstanceMode), m_folder} +
                               QStringList{QString(), QStringLiteral("0")} + HostileArguments;

    // A relaunch that outwaits its limit gives up instead of sharing the folder.
    const QString impatientReport = m_dir->filePath(QStringLiteral("impatient"));
    QStringList impatient = passed;
    impatient[2] = impatientReport;
    qputenv("TEST_RELAUNCH_WAIT_MS", "300");
    QVERIFY(SingleInstance::relaunch(QCoreApplication::applicationFilePath(), impatient));
    qunsetenv("TEST_RELAUNCH_WAIT_MS");
    QTRY_COMPARE_WITH_TIMEOUT(reportLines(impatientReport).value(0), QStringLiteral("Failed"),
                              20000);

    const QString report = m_dir->filePath(QStringLiteral("relaunched"));
    QStringList arguments = passed;
    arguments[2] = report;
    QVERIFY(SingleInstance::relaunch(QCoreApplication::applicationFilePath(), arguments));
    // It becomes the primary once the old instance lets go, with its arguments intact.
    QTimer::singleShot(500, this, [&quitting] { quitting.reset(); });
    // The instance writes its result, then its arguments: both lines, before they are read.
    QTRY_VERIFY_WITH_TIMEOUT(reportLines(report).size() >= 2, 20000);
    QCOMPARE(reportLines(report).value(0), QStringLiteral("Primary"));
    QCOMPARE(fromJson(reportLines(report).value(1)).mid(1), arguments);
    QCOMPARE(received.count(), 0);
}

int main(int argc, char **argv)
{
    if (argc >= 5 && qstrcmp(argv[1], InstanceMode) == 0)
        return runInstance(argc, argv);
    QCoreApplication app(argc, argv);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
