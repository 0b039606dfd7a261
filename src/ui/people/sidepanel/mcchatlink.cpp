#include "mcchatlink.h"

#include "mclinks.h"

#include <QRegularExpression>

QList<QUrl> MCChatLink::linksInText(const QString &text)
{
    // A scheme must start a word: "xhttp://" is not an http link.
    static const QRegularExpression candidate(
        QStringLiteral("(?<![\\w+.-])(?:https?://|mailto:)[^\\s<>\"]+"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    static const QString trailing = QStringLiteral(".,;:!?)]}'");
    QList<QUrl> links;
    auto match = candidate.globalMatch(text);
    while (match.hasNext()) {
        QString written = match.next().captured();
        // Sentence punctuation after a link is not part of it.
        while (!written.isEmpty() && trailing.contains(written.back()))
            written.chop(1);
        if (written.size() > maximumLength)
            continue;
        const QUrl url(written, QUrl::StrictMode);
        if (!MCLinks::isOpenable(url))
            continue;
        const bool mail = url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0;
        if (mail ? !url.path().contains(QLatin1Char('@')) : url.host().isEmpty())
            continue;
        links.append(url);
    }
    return links;
}
