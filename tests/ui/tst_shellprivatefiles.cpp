// What the program leaves on disk is the user's alone: after a session with a contact, ended
// by Quit, nothing under its settings, data and cache folders can be read or listed by another
// user of the machine, even where the desktop leaves those base folders open.
#include "chatpartner.h"
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcmainwindow.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QDirIterator>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <sys/stat.h>

using namespace ShellTest;

namespace {

const QString AppName = QStringLiteral("LumarinTests");

struct Entry
{
    QString path;
    mode_t mode = 0;
};

// Everything below folder, folder included, without following links.
QList<Entry> entriesBelow(const QString &folder)
{
    QList<Entry> entries;
    struct stat info;
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0)
        return entries;
    entries.append({folder, info.st_mode});
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (::lstat(QFile::encodeName(path).constData(), &info) == 0)
            entries.append({path, info.st_mode});
    }
    return entries;
}

// Whether a user of the group or any other user can read the entry: its read bit for that
// class, and the search bit of every folder from base down to it.
bool readableByOthers(const QString &base, const Entry &entry)
{
    const auto reachable = [&](mode_t read, mode_t search) {
        if (S_ISLNK(entry.mode) || !(entry.mode & read))
            return false;
        QString folder = QFileInfo(entry.path).absolutePath();
        while (folder.startsWith(base + QLatin1Char('/'))) {
            struct stat info;
            if (::stat(QFile::encodeName(folder).constData(), &info) != 0 ||
                !(info.st_mode & search))
                return false;
            folder = QFileInfo(folder).absolutePath();
        }
        return true;
    };
    return reachable(S_IRGRP, S_IXGRP) || reachable(S_IROTH, S_IXOTH);
}

} // namespace

class TestShellPrivateFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void nothingWrittenIsReadableByOthers();

private:
    KerloLocal m_server;
    Shell m_shell;
};

void TestShellPrivateFiles::initTestCase()
{
    // The desktop's usual mask and open base folders: the program makes its own files private.
    ::umask(022);
    for (const char *base : {"/config", "/data", "/cache"}) {
        QVERIFY(QDir().mkpath(root() + QLatin1String(base)));
        QVERIFY(QFile::setPermissions(root() + QLatin1String(base),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::ExeOther));
    }
    QVERIFY(m_server.start());
}

void TestShellPrivateFiles::nothingWrittenIsReadableByOthers()
{
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    ChatPartner bea(m_server, m_shell);
    QVERIFY(bea.startConversation());
    QVERIFY(bea.inviteDemoUser());
    QVERIFY(bea.acceptInvitation());

    QSignalSpy ready(m_shell.delegate(), &MCAppDelegate::readyToQuit);
    m_shell.delegate()->mainWindow()->quitAction()->trigger();
    QVERIFY(ready.wait(20000));

    // The session's contact was saved with the defaults.
    const QString settingsFile = root() + QStringLiteral("/config/%1/%1.conf").arg(AppName);
    QSettings settings(settingsFile, QSettings::IniFormat);
    QVERIFY2(settings.contains(QStringLiteral("MyContacts")), qPrintable(settingsFile));

    QStringList open;
    int files = 0;
    for (const QString &base :
         {root() + QStringLiteral("/config"), root() + QStringLiteral("/data"),
          root() + QStringLiteral("/cache")}) {
        for (const Entry &entry : entriesBelow(base + QLatin1Char('/') + AppName) +
                                      entriesBelow(base + QStringLiteral("/autostart"))) {
            // The desktop's autostart folder is shared; only the program's entry is its own.
            if (entry.path == base + QStringLiteral("/autostart"))
                continue;
            files += S_ISREG(entry.mode);
            const QString line = QStringLiteral("%1 %2")
                                     .arg(entry.mode & 07777, 4, 8, QLatin1Char('0'))
                                     .arg(entry.path.mid(root().size()));
            qInfo("%s", qPrintable(line));
            if (readableByOthers(base, entry))
                open.append(line);
        }
    }
    QVERIFY(files > 3);
    QVERIFY2(open.isEmpty(), qPrintable(open.join(QLatin1Char('\n'))));
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestShellPrivateFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shellprivatefiles.moc"
