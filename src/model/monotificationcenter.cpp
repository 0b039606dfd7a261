#include "monotificationcenter.h"

#include "mologging_p.h"
#include "mosingleton_p.h"

#include <QPointer>
#include <QSet>
#include <QThread>
#include <QVector>

#include <memory>

namespace {

struct Registration
{
    QPointer<QObject> observer;
    QObject *observerKey = nullptr; // still comparable while the observer is being destroyed
    QString name;
    const QObject *object = nullptr;
    QPointer<QObject> objectGuard; // a filter object that died matches nothing any more
    MONotificationCenter::Handler handler;
    bool removed = false;

    bool matches(const MOPostedNotification &notification) const
    {
        if (removed || !observer)
            return false;
        if (!name.isNull() && name != notification.name)
            return false;
        if (object && (objectGuard.isNull() || object != notification.object))
            return false;
        return true;
    }
};

} // namespace

class MONotificationCenterPrivate
{
public:
    void deliver(MONotificationCenter *q, const MOPostedNotification &notification);
    void remove(QObject *observer, const QString &name, const QObject *object);

    // Registration order; a delivery works on a copy, so changes during it are safe.
    QVector<std::shared_ptr<Registration>> registrations;
    QSet<QObject *> watchedObservers;
};

void MONotificationCenterPrivate::deliver(MONotificationCenter *q,
                                          const MOPostedNotification &notification)
{
    const QVector<std::shared_ptr<Registration>> snapshot = registrations;
    QPointer<MONotificationCenter> alive(q);
    for (const std::shared_ptr<Registration> &registration : snapshot) {
        // Re-checked for each one: an earlier observer may have removed a later one.
        if (!registration->matches(notification))
            continue;
        registration->handler(notification);
        if (!alive)
            return;
    }
}

void MONotificationCenterPrivate::remove(QObject *observer, const QString &name,
                                         const QObject *object)
{
    for (auto it = registrations.begin(); it != registrations.end();) {
        Registration &registration = **it;
        if (registration.observerKey == observer && (name.isNull() || registration.name == name) &&
            (!object || registration.object == object)) {
            registration.removed = true;
            it = registrations.erase(it);
        } else {
            ++it;
        }
    }
}

MONotificationCenter::MONotificationCenter(QObject *parent)
    : QObject(parent)
    , d_ptr(new MONotificationCenterPrivate)
{}

MONotificationCenter::~MONotificationCenter()
{
    Q_D(MONotificationCenter);
    for (const std::shared_ptr<Registration> &registration : qAsConst(d->registrations))
        registration->removed = true;
}

MONotificationCenter *MONotificationCenter::defaultCenter()
{
    return MOSingleton<MONotificationCenter>::instance();
}

void MONotificationCenter::addObserver(QObject *observer, const QString &name,
                                       const QObject *object, Handler handler)
{
    Q_D(MONotificationCenter);
    Q_ASSERT(QThread::currentThread() == thread());
    if (!observer || !handler) {
        qCWarning(lcModel,
                  "MONotificationCenter::addObserver: an observer and a handler are required");
        return;
    }
    auto registration = std::make_shared<Registration>();
    registration->observer = observer;
    registration->observerKey = observer;
    registration->name = name;
    registration->object = object;
    registration->objectGuard = const_cast<QObject *>(object);
    registration->handler = std::move(handler);
    d->registrations.append(std::move(registration));

    if (!d->watchedObservers.contains(observer)) {
        d->watchedObservers.insert(observer);
        connect(observer, &QObject::destroyed, this, [this, observer] {
            Q_D(MONotificationCenter);
            d->watchedObservers.remove(observer);
            d->remove(observer, QString(), nullptr);
        });
    }
}

void MONotificationCenter::removeObserver(QObject *observer, const QString &name,
                                          const QObject *object)
{
    Q_ASSERT(QThread::currentThread() == thread());
    d_func()->remove(observer, name, object);
}

void MONotificationCenter::postNotification(const MOPostedNotification &notification)
{
    Q_D(MONotificationCenter);
    if (QThread::currentThread() == thread()) {
        d->deliver(this, notification);
        return;
    }
    // Observers run on the main thread only. The posting object may die before the event
    // loop gets there; its observers must not then see a dangling pointer.
    const QPointer<QObject> object(notification.object);
    const bool hasObject = notification.object != nullptr;
    QMetaObject::invokeMethod(
        this,
        [this, notification, object, hasObject] {
            if (hasObject && !object) {
                qCWarning(lcModel) << "MONotificationCenter: dropped" << notification.name
                                   << "posted from another thread: its object was destroyed";
                return;
            }
            d_func()->deliver(this, notification);
        },
        Qt::QueuedConnection);
}

void MONotificationCenter::postNotificationName(const QString &name, QObject *object,
                                                const QVariantMap &userInfo)
{
    postNotification(MOPostedNotification{name, object, userInfo});
}

int MONotificationCenter::observerCount() const
{
    return d_func()->registrations.size();
}
