#ifndef MONOTIFICATIONCENTER_H
#define MONOTIFICATIONCENTER_H

#include "mopostednotification.h"

#include <QObject>
#include <QScopedPointer>

#include <functional>

class MONotificationCenterPrivate;

// Delivers named notifications to the observers registered for them. Each posting facade owns
// one; defaultCenter() carries the rest.
//
// Delivery is synchronous and on the main thread, in the order the observers registered. A
// post from another thread is delivered on the main thread by the event loop (and dropped if
// its object is destroyed meanwhile). Observers may add or remove observers and post again
// while a notification is being delivered; one removed during a delivery is not called for it.
// An observer is removed on its own when it is destroyed.
class MONotificationCenter : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(const MOPostedNotification &)>;

    explicit MONotificationCenter(QObject *parent = nullptr);
    ~MONotificationCenter() override;

    // The process-wide centre, created on first use on the main thread.
    static MONotificationCenter *defaultCenter();

    // Calls handler for every notification named name (a null name: any) posted with object
    // (null: any object) until observer is removed or destroyed. observer must not be null.
    void addObserver(QObject *observer, const QString &name, const QObject *object,
                     Handler handler);
    template<class Observer>
    void addObserver(Observer *observer,
                     void (Observer::*method)(const MOPostedNotification &notification),
                     const QString &name, const QObject *object = nullptr)
    {
        addObserver(observer, name, object,
                    [observer, method](const MOPostedNotification &notification) {
                        (observer->*method)(notification);
                    });
    }

    // Removes observer's registrations for name (null: every name) and object (null: every
    // object).
    void removeObserver(QObject *observer, const QString &name = QString(),
                        const QObject *object = nullptr);

    void postNotification(const MOPostedNotification &notification);
    void postNotificationName(const QString &name, QObject *object,
                              const QVariantMap &userInfo = QVariantMap());

    // How many registrations are live; for diagnostics.
    int observerCount() const;

private:
    Q_DECLARE_PRIVATE(MONotificationCenter)
    QScopedPointer<MONotificationCenterPrivate> d_ptr;
};

#endif // MONOTIFICATIONCENTER_H
