#ifndef MCCHATLINK_H
#define MCCHATLINK_H

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

// A link someone wrote in a conversation: the address, who wrote it and when.
struct MCChatLink
{
    QUrl hyperLink;
    QString contactName;
    QDateTime sentAt;

    // The web and mail links (http, https, mailto) in text, in the order written. Anything
    // else that looks like an address ("javascript:", "file:", a custom scheme) is text, not a
    // link; so is a web address without a host or one longer than maximumLength.
    static QList<QUrl> linksInText(const QString &text);
    static constexpr int maximumLength = 2048;
};

#endif // MCCHATLINK_H
