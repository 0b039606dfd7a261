#ifndef MONOTIFICATIONMANAGERBRIDGE_H
#define MONOTIFICATIONMANAGERBRIDGE_H

#include "mnotification.h"

#include <QObject>

class MONotificationManager;

// Posts each core message for the user as "MONotification", on the main thread.
class MONotificationManagerBridge : public QObject
{
    Q_OBJECT
public:
    explicit MONotificationManagerBridge(MONotificationManager *facade);

public slots:
    void handleNotificationReady(const MNotification &notification);

private:
    MONotificationManager *m_facade;
};

#endif // MONOTIFICATIONMANAGERBRIDGE_H
