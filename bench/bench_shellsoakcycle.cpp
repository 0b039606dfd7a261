// A user's work repeated in the signed-in window against kerlo-local, cycle after cycle:
// browse three folders by double click, open a file in its application, upload 20 files and
// download them again, rename a file in place, make a share link and revoke it on the
// share-links page, send a chat message and get one from a second user (through the control
// API), Get Info and Quick Look. After each cycle, with the deferred deletions run: the
// resident size (as it stands and after malloc_trim), the open descriptors, the live QObjects
// and widgets. The summary gives their growth per cycle after the warm-up (a least-squares
// slope), the reference being the resident size at the end of the warm-up, and the classes
// whose live objects grew. Usage: bench_shellsoakcycle [cycles] [warm-up cycles]; the
// default warm-up (30 of 60 cycles) outlasts the 1,000 finished transfers that the transfers
// page and the transfer queue keep (40 a cycle).
#include "benchsize.h"
#include "fixtureapplications.h"
#include "iconviewsteps.h"
#include "info/mcgetinfowindowcontroller.h"
#include "kbbutton.h"
#include "liveobjects.h"
#include "localfiles.h"
#include "mcbottomviewcontroller.h"
#include "mcchatmessagefield.h"
#include "mcchatrowsmodel.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcdownloadmarks.h"
#include "mcfileactions.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mciconnameeditor.h"
#include "mcjoininvitation.h"
#include "mclinkcontrolcellview.h"
#include "mcmanager.h"
#include "mcoutlineviewsidebar.h"
#include "mcsharelinkpopover.h"
#include "mcsharelinkscontroller.h"
#include "mcsharelinksmodel.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjecttransferrequest.h"
#include "motransfernotification.h"
#include "quicklook/mcfilepreviewview.h"
#include "quicklook/mcquicklookcontroller.h"
#include "quicklook/mcquicklookview.h"
#include "servicereader.h"
#include "shellbench.h"
#include "tempguard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QListView>
#include <QLoggingCategory>
#include <QTableView>
#include <QTest>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int FileCount = 20;
constexpr int FileBytes = 64 * 1024;
const QString BeaEmail = QStringLiteral("bea@kerlo.local");
const QString BeaPassword = QStringLiteral("bea-password");
const QString SoakFolder = QStringLiteral("/Soak");

qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

struct Sample
{
    double ms = 0;
    qint64 rssKiB = 0;
    qint64 trimmedKiB = 0;
    int descriptors = 0;
    int objects = 0;
    int widgets = 0;
    QHash<QByteArray, int> classes;
};

// Least-squares growth per cycle of value over the samples from first on.
template<class Value> double slope(const std::vector<Sample> &samples, size_t first, Value value)
{
    const size_t n = samples.size() - first;
    if (n < 2)
        return 0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = first; i < samples.size(); ++i) {
        const double x = double(i - first);
        const double y = double(value(samples[i]));
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

// The file renamed back and forth: "Draft A.txt" as odd cycles start, "Draft B.txt" as even
// ones do.
QString draftName(int cycle)
{
    return cycle % 2 ? QStringLiteral("Draft A.txt") : QStringLiteral("Draft B.txt");
}

class SoakCycle
{
public:
    SoakCycle(ShellBench &bench, ShellTest::Shell &shell, ShellTest::ServiceReader &bea)
        : m_bench(bench)
        , m_shell(shell)
        , m_bea(bea)
    {}

    bool prepare();
    bool run(int cycle);

private:
    MCIconController *icons() const
    {
        return qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
    }
    QListView *iconView() const { return icons()->collectionView(); }
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    bool fail(const char *step) const
    {
        std::fprintf(stderr, "cycle step failed: %s\n", step);
        return false;
    }
    bool enter(const QString &path, const QString &child)
    {
        return ShellTest::showFolder(icons(), path, child);
    }
    bool select(const QString &name);
    bool doubleClick(const QString &name);
    bool clickSidebar(const QModelIndex &index);
    MCContact *contact() const;

    bool browse();
    bool openFile();
    bool transfer(int cycle);
    bool rename(int cycle);
    bool shareAndRevoke();
    bool chat(int cycle);
    bool getInfo();
    bool quickLook();

    ShellBench &m_bench;
    ShellTest::Shell &m_shell;
    ShellTest::ServiceReader &m_bea;
    QString m_local;
    qint64 m_conversation = 0;
    QStringList m_endedDownloads;
    QObject m_observer;
};

bool SoakCycle::select(const QString &name)
{
    const QPoint at = ShellTest::centreOf(icons(), name);
    if (at.x() < 0)
        return false;
    QTest::mouseClick(iconView()->viewport(), Qt::LeftButton, {}, at);
    return QTest::qWaitFor([&] {
        const MCNodeList selected = icons()->getSelectedItems();
        return selected.size() == 1 && selected.first()->fileName() == name;
    });
}

bool SoakCycle::doubleClick(const QString &name)
{
    if (!select(name))
        return false;
    QTest::mouseDClick(iconView()->viewport(), Qt::LeftButton, {},
                       ShellTest::centreOf(icons(), name));
    return true;
}

bool SoakCycle::clickSidebar(const QModelIndex &index)
{
    if (!index.isValid())
        return false;
    MCOutlineViewSidebar *outline = window()->sidebar()->outlineView();
    outline->scrollTo(index);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(index).center());
    return true;
}

MCContact *SoakCycle::contact() const
{
    for (MCContact *contact : MCManager::sharedManager()->contacts()) {
        if (contact->email() == BeaEmail)
            return contact;
    }
    return nullptr;
}

bool SoakCycle::prepare()
{
    m_local = ShellTest::root() + QStringLiteral("/soak");
    const QString email = ShellBench::demoEmail();
    if (!ShellTest::addDemoTree(m_bench.server) ||
        m_bench.server.seedFile(email, SoakFolder + QStringLiteral("/Draft A.txt"), "draft")
            .isEmpty())
        return fail("seeding");
    if (m_bench.server.createUser(BeaEmail, BeaPassword, {{"first_name", "Bea"}}).isEmpty() ||
        !m_bea.signIn(m_bench.server, BeaEmail, BeaPassword) ||
        m_bench.server.inviteContactAs(BeaEmail, email).isEmpty())
        return fail("the second user");
    MONotificationCenter *objects = MOObjectsManager::sharedInstance()->notificationCenter();
    for (const QString &name :
         {MOObjectTransferDidFinishNotification, MOObjectTransferDidAbortNotification,
          MOObjectTransferDidCancelNotification}) {
        objects->addObserver(&m_observer, name, nullptr,
                             [this](const MOPostedNotification &posted) {
                                 const MOObjectTransferRequest request =
                                     MOTransferNotification(posted).transfer().transferRequest();
                                 if (request.direction() == MOObjectTransferRequest::Download)
                                     m_endedDownloads.append(request.sourcePath());
                             });
    }
    MCManager *hub = MCManager::sharedManager();
    if (!QTest::qWaitFor([&] { return hub->userMessages().size() == 1; }, 30000))
        return fail("the invitation");
    hub->acceptJoinInvitation(hub->userMessages().first());
    if (!QTest::qWaitFor([&] { return contact() && contact()->identifier() > 0; }, 30000))
        return fail("the contact");
    m_conversation = contact()->identifier();
    return true;
}

bool SoakCycle::browse()
{
    if (!enter(QStringLiteral("/"), QStringLiteral("Photos")) ||
        !doubleClick(QStringLiteral("Photos")) ||
        !QTest::qWaitFor([&] { return icons()->shownNames().contains(QStringLiteral("Trip")); }) ||
        !doubleClick(QStringLiteral("Trip")) || !QTest::qWaitFor([&] {
            return icons()->shownNames().contains(QStringLiteral("Beach.png"));
        }))
        return fail("browse");
    return true;
}

bool SoakCycle::openFile()
{
    const int before = ShellTest::filesOpenedBy(QStringLiteral("recorder")).size();
    if (!enter(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")) ||
        !doubleClick(QStringLiteral("Welcome.txt")) ||
        !QTest::qWaitFor(
            [&] {
                return ShellTest::filesOpenedBy(QStringLiteral("recorder")).size() == before + 1;
            },
            30000))
        return fail("open");
    return true;
}

bool SoakCycle::transfer(int cycle)
{
    MCManager *hub = MCManager::sharedManager();
    if (!enter(SoakFolder, draftName(cycle)))
        return fail("the transfers' folder");
    QStringList names;
    for (int i = 0; i < FileCount; ++i) {
        names.append(QStringLiteral("file-%1.bin").arg(i, 2, 10, QLatin1Char('0')));
        QByteArray bytes(FileBytes, char('a' + i));
        bytes.replace(0, 8, QByteArray::number(cycle).rightJustified(8, '0'));
        const QString local = m_local + QStringLiteral("/up/") + names.last();
        if (!ShellTest::writeFile(local, bytes))
            return fail("the local files");
        hub->uploadFileAtPath(local, SoakFolder + QLatin1Char('/') + names.last(), false);
    }
    const auto allShown = [&] {
        const QStringList shown = icons()->shownNames();
        return std::all_of(names.begin(), names.end(),
                           [&](const QString &name) { return shown.contains(name); });
    };
    if (!QTest::qWaitFor([&] { return allShown() && hub->currentUploadsCount() == 0; }, 60000))
        return fail("upload");
    m_endedDownloads.clear();
    for (const QString &name : qAsConst(names))
        hub->downloadFileAtPath(SoakFolder + QLatin1Char('/') + name,
                                m_local + QStringLiteral("/down/") + name, {},
                                MOObjectTransferRequest::Replace);
    if (!QTest::qWaitFor([&] { return m_endedDownloads.size() == FileCount; }, 60000))
        return fail("download");
    hub->downloadMarks()->waitForDone();
    // Gone again, as another device removes them, so that every cycle starts alike.
    for (const QString &name : qAsConst(names))
        m_bench.server.deleteObject(ShellBench::demoEmail(), SoakFolder + QLatin1Char('/') + name);
    if (!QTest::qWaitFor(
            [&] {
                const QStringList shown = icons()->shownNames();
                return std::none_of(names.begin(), names.end(),
                                    [&](const QString &name) { return shown.contains(name); });
            },
            30000))
        return fail("removal by another device");
    return true;
}

bool SoakCycle::rename(int cycle)
{
    const QString from = draftName(cycle);
    const QString to = draftName(cycle + 1);
    if (!enter(SoakFolder, from) || !select(from))
        return fail("rename: the item");
    QTest::keyClick(iconView(), Qt::Key_Return);
    MCIconNameEditor *editor = nullptr;
    const auto visibleEditor = [&] {
        for (MCIconNameEditor *field : iconView()->viewport()->findChildren<MCIconNameEditor *>()) {
            if (field->isVisible())
                return field;
        }
        return static_cast<MCIconNameEditor *>(nullptr);
    };
    if (!QTest::qWaitFor([&] { return (editor = visibleEditor()) != nullptr; }, 5000))
        return fail("rename: the editor");
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, to);
    QTest::keyClick(editor, Qt::Key_Return);
    if (!QTest::qWaitFor(
            [&] {
                const QStringList shown = icons()->shownNames();
                const int row = shown.indexOf(to);
                return row >= 0 && !shown.contains(from) &&
                       (icons()->itemModel()->index(row).flags() & Qt::ItemIsSelectable);
            },
            30000))
        return fail("rename");
    return true;
}

bool SoakCycle::shareAndRevoke()
{
    if (!enter(QStringLiteral("/Photos"), QStringLiteral("Sunset.jpg")) ||
        !select(QStringLiteral("Sunset.jpg")))
        return fail("share: the item");
    m_shell.delegate()->fileActions()->getShareLink(icons()->getSelectedItems().first());
    MCShareLinkPopover *popover = m_shell.delegate()->bottomViewController()->popoverShareLink();
    if (!QTest::qWaitFor(
            [&] {
                return popover->isVisible() && popover->currentSharedURL().isValid() &&
                       popover->currentSharedFilename().endsWith(QStringLiteral("/Sunset.jpg"));
            },
            30000))
        return fail("share");
    const QUrl link = popover->currentSharedURL();
    popover->hide();

    MCSidebarController *sidebar = window()->sidebar();
    const QModelIndexList rows = sidebar->model()->match(
        sidebar->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("Share Links"), 1,
        Qt::MatchExactly | Qt::MatchRecursive);
    if (rows.isEmpty() || !clickSidebar(rows.first()))
        return fail("the share-links row");
    auto *page = qobject_cast<MCShareLinksController *>(
        m_shell.delegate()->page(QStringLiteral("links://")));
    const auto rowOfLink = [&] {
        if (!page)
            return -1;
        for (int row = 0; row < page->model()->rowCount(); ++row) {
            if (QUrl(page->model()->linkAt(row).publicUri()) == link)
                return row;
        }
        return -1;
    };
    if (!QTest::qWaitFor(
            [&] {
                page = qobject_cast<MCShareLinksController *>(
                    m_shell.delegate()->page(QStringLiteral("links://")));
                return page && page->isVisible() && rowOfLink() >= 0;
            },
            30000))
        return fail("the share-links page");
    QTableView *table = page->tableView();
    MCLinkControlCellView *control = nullptr;
    if (!QTest::qWaitFor([&] {
            const QModelIndex actions =
                page->model()->index(rowOfLink(), MCShareLinksModel::ActionsColumn);
            table->scrollTo(actions);
            control = qobject_cast<MCLinkControlCellView *>(table->indexWidget(actions));
            return control && control->buttonRevoke()->isVisible();
        }))
        return fail("revoke: the button");
    QTest::mouseClick(control->buttonRevoke(), Qt::LeftButton);
    if (!QTest::qWaitFor(
            [&] {
                const int at = rowOfLink();
                return at >= 0 && page->model()->linkAt(at).revokedAt().isValid();
            },
            30000))
        return fail("revoke");
    return true;
}

bool SoakCycle::chat(int cycle)
{
    MCContact *bea = contact();
    if (!bea || !clickSidebar(window()->sidebar()->model()->indexForPlace(bea->title())) ||
        !QTest::qWaitFor(
            [&] { return bea->chatController() && bea->chatController()->isVisible(); }))
        return fail("chat: the page");
    const MCChatRowsModel *rows = bea->rowsModel();
    const auto rowWithText = [&](const QString &text) {
        for (int row = rows->rowCount() - 1; row >= 0; --row) {
            if (rows->index(row).data().toString() == text)
                return row;
        }
        return -1;
    };
    const QString mine = QStringLiteral("cycle %1 from the demo user").arg(cycle);
    MCChatMessageField *field = bea->chatController()->textView();
    field->setFocus();
    QTest::keyClicks(field, mine);
    QTest::keyClick(field, Qt::Key_Return);
    if (!QTest::qWaitFor(
            [&] {
                const int row = rowWithText(mine);
                return row >= 0 &&
                       rows->index(row).data(MCChatRowsModel::AccessoryRole).toString() !=
                           QStringLiteral("Pending");
            },
            30000))
        return fail("chat: sent");
    const QString theirs = QStringLiteral("cycle %1 from Bea").arg(cycle);
    if (m_bench.server.postMessageAs(BeaEmail, m_conversation, theirs).isEmpty() ||
        !QTest::qWaitFor([&] { return rowWithText(theirs) >= 0; }, 30000))
        return fail("chat: received");
    return true;
}

bool SoakCycle::getInfo()
{
    if (!enter(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")) ||
        !select(QStringLiteral("Welcome.txt")))
        return fail("Get Info: the item");
    QTest::keyClick(iconView(), Qt::Key_I, Qt::ControlModifier);
    const QString path = QStringLiteral("/Documents/Welcome.txt");
    MCGetInfoWindowController *info = nullptr;
    if (!QTest::qWaitFor([&] {
            info = MCGetInfoWindowController::windowForPath(path);
            return info && info->isVisible();
        }))
        return fail("Get Info");
    info->close();
    if (!QTest::qWaitFor([&] { return !MCGetInfoWindowController::windowForPath(path); }))
        return fail("Get Info: closed");
    window()->activateWindow();
    return true;
}

bool SoakCycle::quickLook()
{
    if (!enter(QStringLiteral("/Photos/Trip"), QStringLiteral("Beach.png")) ||
        !select(QStringLiteral("Beach.png")))
        return fail("Quick Look: the item");
    QTest::keyClick(iconView(), Qt::Key_Space);
    const auto preview = [&] {
        return m_shell.delegate()->quickLookController();
    };
    if (!QTest::qWaitFor(
            [&] {
                return preview() && preview()->isVisible() &&
                       preview()->filepath() == QStringLiteral("/Photos/Trip/Beach.png") &&
                       preview()->previewView()->shown() == MCFilePreviewView::Picture;
            },
            30000))
        return fail("Quick Look");
    QTest::keyClick(preview()->mainView(), Qt::Key_Escape);
    if (!QTest::qWaitFor([&] { return !preview()->isVisible(); }))
        return fail("Quick Look: closed");
    window()->activateWindow();
    return true;
}

bool SoakCycle::run(int cycle)
{
    // LUMARIN_SOAK_STEPS=1 says on stderr how long each step took.
    static const bool timed = qEnvironmentVariableIntValue("LUMARIN_SOAK_STEPS") == 1;
    QElapsedTimer timer;
    timer.start();
    const auto step = [&](const char *name, bool done) {
        if (timed)
            std::fprintf(stderr, "cycle %d %-12s %8.0f ms\n", cycle, name,
                         timer.nsecsElapsed() / 1e6);
        timer.restart();
        return done;
    };
    return step("browse", browse()) && step("open", openFile()) &&
           step("transfers", transfer(cycle)) && step("rename", rename(cycle)) &&
           step("share link", shareAndRevoke()) && step("chat", chat(cycle)) &&
           step("Get Info", getInfo()) && step("Quick Look", quickLook()) &&
           enter(QStringLiteral("/"), QStringLiteral("Documents"));
}

Sample measure(double ms)
{
    // What the cycle let go of is gone: the deferred deletions run, the polls answered.
    QTest::qWait(500);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Sample sample;
    sample.ms = ms;
    sample.rssKiB = statusKiB("VmRSS");
    malloc_trim(0);
    sample.trimmedKiB = statusKiB("VmRSS");
    sample.descriptors = openDescriptors();
    sample.classes = ShellTest::LiveObjects::byClass();
    for (int count : qAsConst(sample.classes))
        sample.objects += count;
    sample.widgets = QApplication::allWidgets().size();
    return sample;
}

} // namespace

int main(int argc, char **argv)
{
    TempGuard::protect("bench_shellsoakcycle");
    ShellTest::LiveObjects::follow();
    ShellBench bench(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false"));
    const int cycles = argc > 1 ? qMax(2, atoi(argv[1])) : benchSize(60, 2);
    const int warmUp = argc > 2 ? qBound(0, atoi(argv[2]), cycles - 2) : benchSize(30, 0);
    if (!ShellTest::installApplications({{"recorder", "Recorder", "text/plain;"}},
                                        "text/plain=recorder.desktop\n"))
        return 1;
    if (!bench.start())
        return 1;
    ShellTest::Shell shell;
    ShellTest::ServiceReader bea;
    SoakCycle cycle(bench, shell, bea);
    if (!shell.launchSignedIn(bench.server.baseUrl().toString()) ||
        !shell.showMainWindow(QSize(1000, 700)))
        return 2;
    if (!cycle.prepare())
        return 3;

    std::vector<Sample> samples;
    samples.push_back(measure(0));
    std::printf("%6s %9s %9s %11s %6s %9s %8s\n", "cycle", "ms", "RSS KiB", "trimmed KiB", "fds",
                "QObjects", "widgets");
    const auto print = [](const char *label, const Sample &s) {
        std::printf("%6s %9.0f %9lld %11lld %6d %9d %8d\n", label, s.ms, s.rssKiB, s.trimmedKiB,
                    s.descriptors, s.objects, s.widgets);
        std::fflush(stdout);
    };
    print("start", samples.back());
    for (int i = 1; i <= cycles; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!cycle.run(i))
            return 4;
        samples.push_back(measure(timer.nsecsElapsed() / 1e6));
        print(QByteArray::number(i).constData(), samples.back());
    }

    const size_t first = size_t(warmUp);
    const Sample &reference = samples[first];
    std::printf("\n%-52s %12s %8s\n", "growth per cycle after the warm-up", "per cycle", "ratio");
    std::printf("%-52s %12lld %8.2f\n", "reference: resident size after warm-up (KiB)",
                reference.rssKiB, 1.0);
    const auto line = [&](const char *label, double perCycle, double of) {
        std::printf("%-52s %12.1f %8.4f\n", label, perCycle, of > 0 ? perCycle / of : 0.0);
    };
    line("resident size (KiB)", slope(samples, first, [](const Sample &s) { return s.rssKiB; }),
         reference.rssKiB);
    line("resident size after malloc_trim (KiB)",
         slope(samples, first, [](const Sample &s) { return s.trimmedKiB; }), reference.rssKiB);
    line("open descriptors", slope(samples, first, [](const Sample &s) { return s.descriptors; }),
         reference.descriptors);
    line("live QObjects", slope(samples, first, [](const Sample &s) { return s.objects; }),
         reference.objects);
    line("live widgets", slope(samples, first, [](const Sample &s) { return s.widgets; }),
         reference.widgets);

    // The classes that gained objects from the end of the warm-up to the end.
    QList<QPair<int, QByteArray>> grown;
    const Sample &last = samples.back();
    for (auto it = last.classes.begin(); it != last.classes.end(); ++it) {
        const int gained = it.value() - reference.classes.value(it.key());
        if (gained > 0)
            grown.append({gained, it.key()});
    }
    std::sort(grown.begin(), grown.end(), [](const auto &a, const auto &b) { return a > b; });
    std::printf("\n%-52s %12s\n", "classes with more live objects than after warm-up", "gained");
    for (int i = 0; i < qMin(25, grown.size()); ++i)
        std::printf("%-52s %12d\n", grown.at(i).second.constData(), grown.at(i).first);
    std::fflush(stdout);
    // LUMARIN_SOAK_HEAP_PROFILE=1 ends here without taking the program down, so that what a
    // heap profiler reports as never freed is what was alive after the last cycle.
    if (qEnvironmentVariableIntValue("LUMARIN_SOAK_HEAP_PROFILE") == 1)
        std::exit(0);
    return 0;
}
