#ifndef MONOTIFICATIONSPY_H
#define MONOTIFICATIONSPY_H

#include "monotificationcenter.h"

#include <QList>
#include <QObject>
#include <QThread>

// Records the notifications a centre delivers, as QSignalSpy records signals: by name (null:
// any) and object (null: any), with the thread each one was delivered on.
class MONotificationSpy : public QObject
{
    Q_OBJECT
public:
    MONotificationSpy(MONotificationCenter *center, const QString &name,
                      const QObject *object = nullptr);

    int count() const { return notifications.size(); }
    const MOPostedNotification &at(int i) const { return notifications.at(i); }
    const MOPostedNotification &last() const { return notifications.last(); }
    // The values under key, in delivery order.
    QVariantList values(const QString &key) const;
    // Whether every notification so far was delivered on the main thread.
    bool allOnMainThread() const;
    void clear();

    // Spins the event loop until a new notification arrives or timeout ms have passed.
    bool wait(int timeout = 10000);
    // Spins the event loop until count() reaches n or timeout ms have passed.
    bool waitForCount(int n, int timeout = 10000);

    QList<MOPostedNotification> notifications;
    QList<QThread *> threads;
};

#endif // MONOTIFICATIONSPY_H
