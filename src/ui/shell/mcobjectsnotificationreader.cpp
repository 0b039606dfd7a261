#include "mcobjectsnotificationreader.h"

#include "moconstants.h"

namespace {
const QString RequestedActionTypeKey = QStringLiteral("MCRequestedActionTypeKey");
}

MCObjectsNotificationReader::MCObjectsNotificationReader(const MOPostedNotification &notification)
    : m_notification(notification)
{}

MOStorageObject MCObjectsNotificationReader::storageObject() const
{
    return m_notification.userInfo.value(MOStorageObjectKey).value<MOStorageObject>();
}

bool MCObjectsNotificationReader::hasStorageObject() const
{
    return m_notification.userInfo.value(MOStorageObjectKey).canConvert<MOStorageObject>();
}

QList<MOStorageObject> MCObjectsNotificationReader::objects() const
{
    return m_notification.userInfo.value(MOStorageObjectsListKey).value<QList<MOStorageObject>>();
}

QString MCObjectsNotificationReader::basePath() const
{
    return m_notification.userInfo.value(MOObjectsBasePathKey).toString();
}

QList<QPair<MOStorageObject, MOStorageObject>> MCObjectsNotificationReader::modifiedPairs() const
{
    QList<QPair<MOStorageObject, MOStorageObject>> pairs;
    const QVariantMap map = m_notification.userInfo.value(MOObjectsPairsKey).toMap();
    for (const QVariant &value : map) {
        const auto pair = value.value<QList<MOStorageObject>>();
        if (pair.size() == 2)
            pairs.append({pair.at(0), pair.at(1)});
    }
    return pairs;
}

QList<MOStorageObject> MCObjectsNotificationReader::deletedObjects() const
{
    QList<MOStorageObject> objects;
    const QVariantMap map = m_notification.userInfo.value(MOStorageObjectsMapKey).toMap();
    for (const QVariant &value : map)
        objects += value.value<QList<MOStorageObject>>();
    return objects;
}

QVariant MCObjectsNotificationReader::userData() const
{
    return m_notification.userInfo.value(MOObjectsManagerUserDataKey);
}

bool MCObjectsNotificationReader::isNavigation() const
{
    const QVariant data = userData();
    if (data.userType() != QMetaType::QVariantMap)
        return false;
    const QVariant marker = data.toMap().value(RequestedActionTypeKey);
    bool ok = false;
    return marker.isValid() && marker.toULongLong(&ok) == 1 && ok;
}

QVariant MCObjectsNotificationReader::navigationUserData()
{
    return QVariantMap{{RequestedActionTypeKey, 1}};
}
