#ifndef MOPOSTEDNOTIFICATION_H
#define MOPOSTEDNOTIFICATION_H

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVariantMap>

// One notification as observers receive it: its name, the object that posted it (usually the
// facade) and its user info.
struct MOPostedNotification
{
    QString name;
    QObject *object = nullptr;
    QVariantMap userInfo;
};

Q_DECLARE_METATYPE(MOPostedNotification)

#endif // MOPOSTEDNOTIFICATION_H
