#include "monotificationspy.h"

#include <QCoreApplication>
#include <QTest>

MONotificationSpy::MONotificationSpy(MONotificationCenter *center, const QString &name,
                                     const QObject *object)
{
    center->addObserver(this, name, object, [this](const MOPostedNotification &notification) {
        notifications.append(notification);
        threads.append(QThread::currentThread());
    });
}

QVariantList MONotificationSpy::values(const QString &key) const
{
    QVariantList result;
    for (const MOPostedNotification &notification : notifications)
        result.append(notification.userInfo.value(key));
    return result;
}

bool MONotificationSpy::allOnMainThread() const
{
    for (QThread *thread : threads) {
        if (thread != QCoreApplication::instance()->thread())
            return false;
    }
    return true;
}

void MONotificationSpy::clear()
{
    notifications.clear();
    threads.clear();
}

bool MONotificationSpy::wait(int timeout)
{
    return waitForCount(count() + 1, timeout);
}

bool MONotificationSpy::waitForCount(int n, int timeout)
{
    return QTest::qWaitFor([this, n] { return count() >= n; }, timeout);
}
