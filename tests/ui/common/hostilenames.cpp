#include "hostilenames.h"

#include <QKeySequence>
#include <QTextDocument>

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
        {"255 bytes", longest},
        {"emoji",
         QStringLiteral("\U0001F469\u200D\U0001F469\u200D\U0001F467 party \U0001F389.png")},
        {"the modified mark", QStringLiteral("draft [*] v2.txt")},
    };
}

bool readsInOrder(const QString &text)
{
    int open = 0;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if ((u >= 0x202A && u <= 0x202E) || c.category() == QChar::Other_Control || u == 0x2028 ||
            u == 0x2029)
            return false;
        if (u >= 0x2066 && u <= 0x2068)
            ++open;
        else if (u == 0x2069 && --open < 0)
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
