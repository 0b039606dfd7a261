#include "hostilenames.h"

#include <QKeySequence>
#include <QTextDocument>
#include <QVector>

namespace ShellTest {

QList<HostileName> hostileNames()
{
    // 250 letters and ".long": 255 bytes, the service's limit.
    const QString longest = QString(250, QLatin1Char('n')) + QStringLiteral(".long");
    return {
        {"an image in markup", QStringLiteral("<img src=x width=20000 height=20000>")},
        {"coloured markup", QStringLiteral("<font color=red size=7>Account locked - call 555")},
        {"ampersands", QStringLiteral("&File &Quit.txt")},
        {"a right-to-left override", QStringLiteral("invoice\u202Etxt.exe")},
        {"an isolate closed early", QStringLiteral("report\u2069\u202Egpj.exe")},
        {"control characters", QStringLiteral("line\nbreak\tand\x01"
                                              "bell.txt")},
        {"a zero-width space", QStringLiteral("report\u200B.txt")},
        {"marks and a byte-order mark", QStringLiteral("no\uFEFFtes\u200E\u2066.txt\u200F")},
        {"255 bytes", longest},
        {"emoji",
         QStringLiteral("\U0001F469\u200D\U0001F469\u200D\U0001F467 party \U0001F389.png")},
        {"the modified mark", QStringLiteral("draft [*] v2.txt")},
    };
}

bool readsInOrder(const QString &text)
{
    int open = 0;
    const QVector<uint> points = text.toUcs4();
    for (int i = 0; i < points.size(); ++i) {
        const uint u = points.at(i);
        if (u >= 0x2066 && u <= 0x2068) {
            ++open;
            continue;
        }
        if (u == 0x2069) {
            if (--open < 0)
                return false;
            continue;
        }
        // An invisible format character, but for a joiner between emoji.
        const bool emojiJoiner =
            u == 0x200D && i > 0 && i + 1 < points.size() && points.at(i - 1) >= 0x1F000;
        const QChar::Category category = QChar::category(u);
        if ((category == QChar::Other_Format && !emojiJoiner) || category == QChar::Other_Control ||
            u == 0x2028 || u == 0x2029)
            return false;
    }
    return open == 0;
}

QString toolTipText(const QString &tip)
{
    // The word joiners that keep a plain tooltip from being taken for markup are not seen,
    // and its lines joined are the text.
    if (!Qt::mightBeRichText(tip))
        return QString(tip).remove(QChar(0x2060)).remove(QLatin1Char('\n'));
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

bool hasNoMnemonic(const QString &title)
{
    return QKeySequence::mnemonic(title).isEmpty();
}

} // namespace ShellTest
