#ifndef MONOTIFICATIONMANAGER_H
#define MONOTIFICATIONMANAGER_H

#include <QObject>
#include <QScopedPointer>
#include <QString>

#include "mopostednotification.h"

class MONotificationCenter;
class MONotificationManagerPrivate;

// The core's messages for the user (errors of actions and transfers, warnings, information),
// posted as "MONotification" on notificationCenter() with the core's message under
// "MOInnerNotificationObjectKey"; MOCoreNotification reads them. Only messages sent after
// the facade was made arrive. Main thread only.
class MONotificationManager : public QObject
{
    Q_OBJECT
public:
    ~MONotificationManager() override;

    static MONotificationManager *sharedInstance();

    MONotificationCenter *notificationCenter() const;

    // Sends a message of the interface's own through the core: its type, text, storage
    // object and action are kept, the rest is dropped. Delivered on a later pass of the event
    // loop, never inside the call.
    void postNotification(const MOPostedNotification &notification);
    void postWarningNotification(const QString &message);
    void postInfoNotification(const QString &message);

private:
    MONotificationManager();
    template<class T> friend class MOSingleton;
    friend class MONotificationManagerBridge;
    Q_DECLARE_PRIVATE(MONotificationManager)
    QScopedPointer<MONotificationManagerPrivate> d_ptr;
};

#endif // MONOTIFICATIONMANAGER_H
