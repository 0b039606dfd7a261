#ifndef MOSHARELINKNOTIFICATION_H
#define MOSHARELINKNOTIFICATION_H

#include "mopostednotification.h"
#include "mosharelink.h"
#include "mostorageobject.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

// Reads the objects facade's share-link notifications: MOObjectsDidGetShareLinkNotification,
// MOObjectsDidGetShareLinksListNotification, MOObjectsDidGetShareLinkRevokedNotification and
// MOObjectsDidSendShareLinkViaEmailNotification. What a notification does not carry reads
// empty.
class MOShareLinkNotification
{
public:
    explicit MOShareLinkNotification(const MOPostedNotification &notification);

    // The new link and the object it shares.
    QUrl url() const;
    MOStorageObject object() const;
    // The account's links, as the service listed them.
    QList<MOShareLink> links() const;
    // The link that was revoked.
    MOShareLink revokedLink() const;
    // A link sent by e-mail: the shared file's name, the addresses it went to and the
    // service's messages about those it could not reach.
    QString filename() const;
    QStringList recipients() const;
    QStringList errors() const;
    // What the caller gave the request; invalid when it gave nothing.
    QVariant userData() const;

private:
    QVariant emailsSent(const QString &key) const;

    MOPostedNotification m_notification;
};

#endif // MOSHARELINKNOTIFICATION_H
