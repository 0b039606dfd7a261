#include "mcocoafileopener.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

bool writeFile(const QString &path, const QByteArray &contents,
               QFileDevice::Permissions extra = QFileDevice::Permissions())
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(contents);
    file.close();
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | extra);
}

QStringList lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

// The scratch tree holds XDG_DATA_HOME ("data"), XDG_CONFIG_HOME ("config") and the launch logs
// ("logs"): a test application appends each file it is given to logs/<its name>.
class TestCocoaFileOpener : public QObject
{
    Q_OBJECT
public:
    explicit TestCocoaFileOpener(const QString &root)
        : m_root(root)
    {}

private slots:
    void initTestCase();
    void init();

    void defaultApplication();
    void namedApplication();
    void refusals_data();
    void refusals();
    void installedInstance();

private:
    QString path(const QString &relative) const { return m_root + QLatin1Char('/') + relative; }
    QString log(const QString &application) const { return path("logs/" + application); }
    QUrl desktopFile(const QString &application) const
    {
        return QUrl::fromLocalFile(path("data/applications/" + application + ".desktop"));
    }
    bool writeApplication(const QString &application, const QString &exec);

    QString m_root;
    QString m_documents;
};

bool TestCocoaFileOpener::writeApplication(const QString &application, const QString &exec)
{
    const QByteArray entry = "[Desktop Entry]\nType=Application\nName=" + application.toUtf8() +
                             "\nExec=" + exec.toUtf8() + "\n";
    return writeFile(desktopFile(application).toLocalFile(), entry);
}

void TestCocoaFileOpener::initTestCase()
{
    QVERIFY(QDir(m_root).mkpath("data/applications"));
    QVERIFY(QDir(m_root).mkpath("config"));
    QVERIFY(QDir(m_root).mkpath("logs"));
    QVERIFY(QDir(m_root).mkpath("documents"));
    m_documents = path("documents");

    const QString script = path("record.sh");
    QVERIFY(writeFile(script,
                      "#!/bin/sh\nprintf '%s\\n' \"$2\" >> \"" + path("logs").toUtf8() + "/$1\"\n",
                      QFileDevice::ExeOwner));
    QVERIFY(writeApplication("viewer", "\"" + script + "\" viewer %f"));
    QVERIFY(writeApplication("editor", "\"" + script + "\" editor %f"));
    QVERIFY(writeFile(path("config/mimeapps.list"),
                      "[Default Applications]\ntext/plain=viewer.desktop\n"));
}

void TestCocoaFileOpener::init()
{
    for (const QString &name : QDir(path("logs")).entryList(QDir::Files))
        QVERIFY(QFile::remove(path("logs/" + name)));
}

void TestCocoaFileOpener::defaultApplication()
{
    // Characters a shell would act on reach the application untouched.
    const QString file = m_documents + "/notes $(touch pwned); it's.txt";
    QVERIFY(writeFile(file, "plain text\n"));
    MCocoaFileOpener opener;
    qint64 pid = -7;
    QVERIFY(opener.openFile(QUrl::fromLocalFile(file), QUrl(), &pid));
    QTRY_COMPARE(lines(log("viewer")), QStringList{file});
    // Which process took the file cannot be told here.
    QCOMPARE(pid, qint64(-7));

    // The form with the file alone, as the meta-object publishes it.
    const QString other = m_documents + "/other.txt";
    QVERIFY(writeFile(other, "plain text\n"));
    bool opened = false;
    QVERIFY(QMetaObject::invokeMethod(&opener, "openFile", Q_RETURN_ARG(bool, opened),
                                      Q_ARG(QUrl, QUrl::fromLocalFile(other))));
    QVERIFY(opened);
    QTRY_COMPARE(lines(log("viewer")), (QStringList{file, other}));
}

void TestCocoaFileOpener::namedApplication()
{
    const QString file = m_documents + "/notes.txt";
    QVERIFY(writeFile(file, "plain text\n"));
    MCocoaFileOpener opener;
    QVERIFY(opener.openFile(QUrl::fromLocalFile(file), desktopFile("editor")));
    QTRY_COMPARE(lines(log("editor")), QStringList{file});
    QVERIFY(!QFile::exists(log("viewer")));
}

void TestCocoaFileOpener::refusals_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QUrl>("application");

    const QString missing = m_documents + "/deleted.txt";
    const QString launcher = m_documents + "/download.desktop";
    QTest::newRow("missing file, default application") << missing << QUrl();
    QTest::newRow("missing file, named application") << missing << desktopFile("editor");
    QTest::newRow("missing application") << m_documents + "/notes.txt" << desktopFile("absent");
    QTest::newRow("application not a local file")
        << m_documents + "/notes.txt" << QUrl("https://example.com/editor.desktop");
    QTest::newRow("file as its own launcher") << launcher << QUrl::fromLocalFile(launcher);
}

void TestCocoaFileOpener::refusals()
{
    QFETCH(QString, file);
    QFETCH(QUrl, application);
    QVERIFY(writeFile(m_documents + "/notes.txt", "plain text\n"));
    QVERIFY(writeFile(m_documents + "/download.desktop",
                      "[Desktop Entry]\nType=Application\nName=Download\nExec=touch \"" +
                          path("logs/pwned").toUtf8() + "\"\n"));
    MCocoaFileOpener opener;
    QVERIFY(!opener.openFile(QUrl::fromLocalFile(file), application));

    // Anything the refused call had started would have run before this launch completes.
    const QString sentinel = m_documents + "/sentinel.txt";
    QVERIFY(writeFile(sentinel, "plain text\n"));
    QVERIFY(opener.openFile(QUrl::fromLocalFile(sentinel), desktopFile("editor")));
    QTRY_COMPARE(lines(log("editor")), QStringList{sentinel});
    QCOMPARE(QDir(path("logs")).entryList(QDir::Files), QStringList{"editor"});
}

void TestCocoaFileOpener::installedInstance()
{
    QVERIFY(!MAbstractFileOpener::instance());
    auto *opener = new MCocoaFileOpener;
    MAbstractFileOpener::setInstance(opener);
    QCOMPARE(MAbstractFileOpener::instance(), opener);
    delete opener;
    // A destroyed opener is never handed out.
    QVERIFY(!MAbstractFileOpener::instance());
}

int main(int argc, char *argv[])
{
    // GIO reads the XDG folders once, on first use: they point into the scratch tree from the
    // start.
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.path() + "/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.path() + "/config"));
    QCoreApplication app(argc, argv);
    TestCocoaFileOpener tc(root.path());
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_cocoafileopener.moc"
