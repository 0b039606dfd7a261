// Opening a chat of 1,000 messages and scrolling through it, against building the same chat's
// rows (the entity's receive road and the sorted rows model) in the same run; with the main
// thread's longest stall while the page opens and while it scrolls. The page lays out every
// row's height but makes views only for the rows on screen.
#include "benchstatistics.h"
#include "mcchatenvironment.h"
#include "mcchatrowsmodel.h"
#include "mcchatsupport.h"
#include "mcchattableview.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcemoji.h"
#include "momessage.h"
#include "stallmonitor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextStream>

namespace {

const int Messages = 1000;

class BenchEnvironment : public MCChatEnvironment
{
public:
    MCChatSupport &chatSupport() override { return support; }
    MCEmoji &emoji() override { return table; }
    MOUserAccount signedInAccount() const override { return {}; }
    MCOptions *options() const override { return nullptr; }
    QString notBrowsablePath() const override { return QString(); }
    bool isApplicationActive() const override { return true; }
    void sendMessage(const MOMessage &, MCSocialEntity *) override {}
    void listMessagesBefore(MCSocialEntity *, const QDateTime &, int) override {}
    void sendTransferInvitation(const QString &, const QDateTime &, MCSocialEntity *,
                                const QString &) override
    {}
    void acceptCollaboration(const MOCollaboration &) override {}
    void rejectCollaboration(const QString &) override {}
    void uploadForChat(const QStringList &, QWidget *) override {}
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
    for (int round = 0; round < 5; ++round) {
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
    const double reference = median(build);
    out << "chat of " << Messages << " messages (median of 5 rounds)\n";
    out << "building its rows (reference):   " << reference << " ms\n";
    out << "opening the page:                " << median(open) << " ms, ratio "
        << median(open) / reference << "\n";
    out << "scrolling to the top (120 px):   " << median(scroll) << " ms, ratio "
        << median(scroll) / reference << "\n";
    out << "longest main-thread stall, open: " << openStall << " ms\n";
    out << "longest main-thread stall, scroll: " << scrollStall << " ms\n";
    return 0;
}
