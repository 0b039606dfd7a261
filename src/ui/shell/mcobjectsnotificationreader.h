#ifndef MCOBJECTSNOTIFICATIONREADER_H
#define MCOBJECTSNOTIFICATIONREADER_H

#include "mopostednotification.h"
#include "mostorageobject.h"

#include <QList>
#include <QPair>
#include <QVariant>

// Reads what the objects facade's listing and metadata notifications carry, so that widgets
// never look into a user-info map themselves.
class MCObjectsNotificationReader
{
public:
    explicit MCObjectsNotificationReader(const MOPostedNotification &notification);

    // The object of a metadata answer; hasStorageObject() tells whether there is one.
    MOStorageObject storageObject() const;
    bool hasStorageObject() const;
    // The objects and folder of a listing.
    QList<MOStorageObject> objects() const;
    QString basePath() const;
    // Live updates: the renamed objects as (before, after), and the deleted objects.
    QList<QPair<MOStorageObject, MOStorageObject>> modifiedPairs() const;
    QList<MOStorageObject> deletedObjects() const;
    // The user data given with the request; invalid when none came back.
    QVariant userData() const;
    // Whether the request was marked as a navigation of the browser views.
    bool isNavigation() const;

    // The user data that marks a navigation request.
    static QVariant navigationUserData();

private:
    const MOPostedNotification &m_notification;
};

#endif // MCOBJECTSNOTIFICATIONREADER_H
