#include "moobjectsnotification.h"

#include "moconstants.h"

MOObjectsNotification::MOObjectsNotification(const MOPostedNotification &notification)
    : m_notification(notification)
{}

QList<MOStorageObject> MOObjectsNotification::objects() const
{
    const QVariantMap &info = m_notification.userInfo;
    if (info.contains(MOStorageObjectsListKey))
        return info.value(MOStorageObjectsListKey).value<QList<MOStorageObject>>();
    QList<MOStorageObject> all;
    const QMap<QString, QList<MOStorageObject>> folders = objectsByFolder();
    for (const QList<MOStorageObject> &folder : folders)
        all.append(folder);
    return all;
}

QMap<QString, QList<MOStorageObject>> MOObjectsNotification::objectsByFolder() const
{
    const QVariantMap &info = m_notification.userInfo;
    QMap<QString, QList<MOStorageObject>> folders;
    if (info.contains(MOStorageObjectsListKey)) {
        folders.insert(basePath(),
                       info.value(MOStorageObjectsListKey).value<QList<MOStorageObject>>());
        return folders;
    }
    const QVariantMap map = info.value(MOStorageObjectsMapKey).toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        folders.insert(it.key(), it.value().value<QList<MOStorageObject>>());
    return folders;
}

QString MOObjectsNotification::basePath() const
{
    return m_notification.userInfo.value(MOObjectsBasePathKey).toString();
}

MOStorageObject MOObjectsNotification::object() const
{
    const QVariantMap &info = m_notification.userInfo;
    const QString key =
        info.contains(MOStorageObjectCurrent) ? MOStorageObjectCurrent : MOStorageObjectKey;
    return info.value(key).value<MOStorageObject>();
}

MOStorageObject MOObjectsNotification::originalObject() const
{
    return m_notification.userInfo.value(MOStorageObjectOriginal).value<MOStorageObject>();
}

QList<MOObjectsNotification::Change> MOObjectsNotification::pairs() const
{
    QList<Change> changes;
    const QVariantMap map = m_notification.userInfo.value(MOObjectsPairsKey).toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QList<MOStorageObject> pair = it.value().value<QList<MOStorageObject>>();
        if (pair.size() == 2)
            changes.append({it.key(), pair.at(0), pair.at(1)});
    }
    return changes;
}

QVariant MOObjectsNotification::userData() const
{
    return m_notification.userInfo.value(MOObjectsManagerUserDataKey);
}
