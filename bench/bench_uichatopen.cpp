// Opening a chat of 1,000 messages and scrolling through it, against building the same chat's
// rows (the entity's receive road and the sorted rows model) in the same run; with the main
// thread's longest stall while the page opens and while it scrolls. The page lays out every
// row's height but makes views only for the rows on screen.
// Then a chat where the other side sent two messages of 1 MiB and a link of 100 KiB: opening
// it, scrolling through it and leaving it, with the longest stall of each against the same
// reference. A row lays out only a bounded part of a message, so none of them stalls for long.
#include "benchsize.h"
#include "benchstatistics.h"
#include "mcchatenvironment.h"
#include "mcchatrowsmodel.h"
#include "mcchatsupport.h"
#include "mcchattableview.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcemoji.h"
#include "mocorevalues_p.h"
#include "momessage.h"
#include "museraccount.h"
#include "stallmonitor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextStream>

namespace {

const int Messages = benchSize(1000, 100);
const int Rounds = benchSize(5, 1);
const int LongRounds = benchSize(3, 1);

class BenchEnvironment : public MCChatEnvironment
{
public:
    MCChatSupport &chatSupport() override { return support; }
    MCEmoji &sharedEmoji() override { return table; }
    MOUserAccount signedInAccount() const override { return {}; }
    MCOptions *options() const override { return nullptr; }
    QString notBrowsablePath() const override { return QString(); }
    bool isApplicationActive() const override { return true; }
    void sendMessage(const MOMessage &, MCSocialEntity *) override {}
    void listMessagesBefore(MCSocialEntity *, const QDateTime &, qint64, int) override {}
    void sendTransferInvitation(const QString &, const QDateTime &, MCSocialEntity *,
                                const QString &) override
    {}
    void acceptCollaboration(const MOCollaboration &) override {}
    void rejectCollaboration(const QString &) override {}
    void uploadForChat(const QStringList &, QWidget *) override {}
    QString pathForService(const QString &) const override { return {}; }
    MCAddPeopleController *newAddPeopleController(QWidget *) override { return nullptr; }
    MCChatPage *newChatPage(MCSocialEntity *entity) override
    {
        return new MCChatViewController(entity, this);
    }
    MOStorageObject remoteObject(const QString &) const override { return {}; }
    void goToReceivedFile(const QString &, const QString &) override {}
    void playSound(const QString &) override {}

    MCChatSupport support;
    MCEmoji table;
};

QList<MOMessage> chatHistory()
{
    QList<MOMessage> messages;
    const QDateTime start = QDateTime::currentDateTime().addDays(-5);
    for (int i = 0; i < Messages; ++i) {
        MOMessage message;
        // Mostly short lines, some long ones that wrap, some emoji.
        QString body = QStringLiteral("message %1 :smile:").arg(i);
        if (i % 7 == 0)
            body += QStringLiteral(" and a longer text that wraps over several lines of the chat")
                        .repeated(4);
        if (i % 11 == 0)
            body += QStringLiteral(" see https://example.com/page/%1").arg(i);
        message.setBody(body);
        message.setSentAt(start.addSecs(i * 400));
        messages.append(message);
    }
    return messages;
}

// A few lines of talk, then two messages of 1 MiB (one of words in paragraphs, one line of
// words), a link of 100 KiB and a last short line, all from the other side.
MOUserAccount otherSide()
{
    return MOCoreValues::userAccountWithCXXUserAccount(
        MUserAccount(QVariantMap{{QStringLiteral("email"), QStringLiteral("other@example.com")}}));
}

QList<MOMessage> longHistory()
{
    const MOUserAccount sender = otherSide();
    QList<MOMessage> messages;
    const QDateTime start = QDateTime::currentDateTime().addSecs(-3600);
    const auto add = [&](const QString &body) {
        MOMessage message;
        message.setBody(body);
        message.setSender(sender);
        message.setSentAt(start.addSecs(messages.size() * 30));
        messages.append(message);
    };
    for (int i = 0; i < 20; ++i)
        add(QStringLiteral("short message %1 :smile:").arg(i));
    const QString words = QStringLiteral("lorem ipsum dolor sit amet, consectetur :smile: elit ");
    QString paragraphs;
    while (paragraphs.size() < 1024 * 1024)
        paragraphs += words.repeated(4) + QLatin1Char('\n');
    add(paragraphs.left(1024 * 1024));
    add(words.repeated(1024 * 1024 / words.size() + 1).left(1024 * 1024));
    add(QStringLiteral("https://example.com/") + QString(100 * 1024, QLatin1Char('a')));
    add(QStringLiteral("the end"));
    return messages;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QList<MOMessage> history = chatHistory();
    StallMonitor stalls;
    stalls.start();
    QVector<double> build, open, scroll;
    double openStall = 0;
    double scrollStall = 0;
    for (int round = 0; round < Rounds; ++round) {
        BenchEnvironment environment; // day rows are remembered per run
        MCContact contact(MOUserAccount{});
        contact.setEnvironment(&environment);
        QElapsedTimer timer;
        timer.start();
        contact.addWrittenMessages(history);
        build.append(timer.nsecsElapsed() / 1e6);

        QCoreApplication::processEvents();
        stalls.takeLongestMs();
        timer.restart();
        MCChatViewController *page = contact.chatViewController();
        page->resize(900, 640);
        page->show();
        // Showing resizes the table a few times; it measures once, on the next turn.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        open.append(timer.nsecsElapsed() / 1e6);
        openStall = qMax(openStall, stalls.takeLongestMs());

        QScrollBar *bar = page->chatTableView()->verticalScrollBar();
        timer.restart();
        for (int value = bar->maximum(); value > 0; value -= 120) {
            bar->setValue(value);
            QCoreApplication::processEvents();
        }
        scroll.append(timer.nsecsElapsed() / 1e6);
        scrollStall = qMax(scrollStall, stalls.takeLongestMs());
        delete page;
    }

    // The chat with the long messages: open, scroll to its top and back, leave.
    const QList<MOMessage> longOnes = longHistory();
    QVector<double> longOpen, longLeave;
    double longOpenStall = 0;
    double longScrollStall = 0;
    double longLeaveStall = 0;
    for (int round = 0; round < LongRounds; ++round) {
        BenchEnvironment environment;
        MCContact contact(otherSide());
        contact.setEnvironment(&environment);
        contact.addWrittenMessages(longOnes);
        QCoreApplication::processEvents();
        stalls.takeLongestMs();
        QElapsedTimer timer;
        timer.start();
        MCChatViewController *page = contact.chatViewController();
        page->resize(900, 640);
        page->show();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        longOpen.append(timer.nsecsElapsed() / 1e6);
        const double roundOpenStall = stalls.takeLongestMs();
        longOpenStall = qMax(longOpenStall, roundOpenStall);
        // Each step as it ends: a slow build still shows where the time goes.
        out << "long messages, round " << round + 1 << ": open " << longOpen.last() << " ms, stall "
            << roundOpenStall << " ms\n";
        out.flush();

        QScrollBar *bar = page->chatTableView()->verticalScrollBar();
        for (int value = bar->maximum(); value > 0; value -= 300) {
            bar->setValue(value);
            QCoreApplication::processEvents();
        }
        for (int value = 0; value < bar->maximum(); value += 300) {
            bar->setValue(value);
            QCoreApplication::processEvents();
        }
        const double roundScrollStall = stalls.takeLongestMs();
        longScrollStall = qMax(longScrollStall, roundScrollStall);
        out << "long messages, round " << round + 1 << ": scroll stall " << roundScrollStall
            << " ms\n";
        out.flush();

        timer.restart();
        page->hide();
        QCoreApplication::processEvents();
        delete page;
        QCoreApplication::processEvents();
        longLeave.append(timer.nsecsElapsed() / 1e6);
        const double leaveStall = stalls.takeLongestMs();
        longLeaveStall = qMax(longLeaveStall, leaveStall);
        out << "long messages, round " << round + 1 << ": leave " << longLeave.last()
            << " ms, stall " << leaveStall << " ms\n";
        out.flush();
    }

    const double reference = median(build);
    out << "chat of " << Messages << " messages (median of " << Rounds << " rounds)\n";
    out << "building its rows (reference):   " << reference << " ms\n";
    out << "opening the page:                " << median(open) << " ms, ratio "
        << median(open) / reference << "\n";
    out << "scrolling to the top (120 px):   " << median(scroll) << " ms, ratio "
        << median(scroll) / reference << "\n";
    out << "longest main-thread stall, open: " << openStall << " ms\n";
    out << "longest main-thread stall, scroll: " << scrollStall << " ms\n";
    out << "chat with two 1 MiB messages and a 100 KiB link (median of " << LongRounds
        << " rounds; aim: no stall over 50 ms)\n";
    out << "opening the page:                " << median(longOpen) << " ms, ratio "
        << median(longOpen) / reference << "\n";
    out << "leaving the page:                " << median(longLeave) << " ms, ratio "
        << median(longLeave) / reference << "\n";
    out << "longest main-thread stall, open: " << longOpenStall << " ms, ratio "
        << longOpenStall / reference << "\n";
    out << "longest main-thread stall, scroll: " << longScrollStall << " ms, ratio "
        << longScrollStall / reference << "\n";
    out << "longest main-thread stall, leave: " << longLeaveStall << " ms, ratio "
        << longLeaveStall / reference << "\n";
    return 0;
}
