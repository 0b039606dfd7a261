#include "mobjectstatesqueue.h"
#include "mstorageobject.h"

#include <QFile>
#include <QMutex>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Message
{
    QString category;
    QtMsgType type;
    QString text;
};

QMutex messagesMutex;
QVector<Message> messages;

void record(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    QMutexLocker locker(&messagesMutex);
    messages.append({QString::fromLatin1(context.category), type, text});
}

QVector<Message> messagesContaining(const QString &part)
{
    QMutexLocker locker(&messagesMutex);
    QVector<Message> found;
    for (const Message &message : qAsConst(messages)) {
        if (message.text.contains(part))
            found.append(message);
    }
    return found;
}

} // namespace

// Messages of the core carry their area's category, so that QT_LOGGING_RULES (set in main()
// below, as a user would) turns one area off and leaves the others alone.
class tst_CoreLogging : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void areasCarryTheirCategory();
};

void tst_CoreLogging::initTestCase()
{
    qInstallMessageHandler(record);
}

void tst_CoreLogging::areasCarryTheirCategory()
{
    // core.objects: a hostile name from the service; switched off by the rules.
    QVariantMap hostile{{QStringLiteral("base_path"), QStringLiteral("/")},
                        {QStringLiteral("label"), QStringLiteral("..")},
                        {QStringLiteral("type"), QStringLiteral("regfile")}};
    QCOMPARE(MStorageObject(hostile).type(), int(MStorageObject::Invalid));
    QVERIFY(messagesContaining(QStringLiteral("Ignoring an object whose name")).isEmpty());

    // core.transfers: a queue file that is no database is set aside, and says so.
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("transfers.db"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    {
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
    }
    const QVector<Message> setAside = messagesContaining(QStringLiteral("moved the unusable"));
    QCOMPARE(setAside.size(), 1);
    QCOMPARE(setAside.first().category, QStringLiteral("core.transfers"));
    QCOMPARE(setAside.first().type, QtCriticalMsg);
    QVERIFY(
        setAside.first().text.startsWith(QStringLiteral("MObjectStatesQueue: moved the unusable")));
}

int main(int argc, char *argv[])
{
    qputenv("QT_LOGGING_RULES", "core.objects.warning=false");
    QCoreApplication app(argc, argv);
    tst_CoreLogging test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_corelogging.moc"
