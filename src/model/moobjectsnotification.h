#ifndef MOOBJECTSNOTIFICATION_H
#define MOOBJECTSNOTIFICATION_H

#include "mopostednotification.h"
#include "mostorageobject.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

// Reads the objects facade's listings and live updates: MOObjectsListDidFetchNotification,
// MOObjectInfoDidFetchNotification, MOObjectsAddedUpdateNotification,
// MOObjectsDeletedUpdateNotification, MOObjectsModifiedUpdateNotification,
// MOObjectRenamedUpdateNotification, MOObjectCopiedUpdateNotification and
// MOObjectUncachedNotification. What a notification does not carry reads empty.
class MOObjectsNotification
{
public:
    // One entry of a modification: the object before the change and after it.
    struct Change
    {
        QString path; // the object's path before the change
        MOStorageObject before;
        MOStorageObject after;
    };

    explicit MOObjectsNotification(const MOPostedNotification &notification);

    // A listing's objects in the service's order; the added or deleted objects of every folder
    // in the order of objectsByFolder().
    QList<MOStorageObject> objects() const;
    // Added or deleted objects by the path of their folder; a listing under its base path.
    QMap<QString, QList<MOStorageObject>> objectsByFolder() const;
    // The listed folder.
    QString basePath() const;
    // The fetched, uncached, renamed or copied object (for the last two, the current one).
    MOStorageObject object() const;
    // The object a rename or copy started from.
    MOStorageObject originalObject() const;
    // Modifications in the order of their paths.
    QList<Change> pairs() const;
    // What the caller gave the request; invalid when it gave nothing.
    QVariant userData() const;

private:
    MOPostedNotification m_notification;
};

#endif // MOOBJECTSNOTIFICATION_H
