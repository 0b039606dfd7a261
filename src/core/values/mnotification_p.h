#ifndef MNOTIFICATION_P_H
#define MNOTIFICATION_P_H

#include <QMap>
#include <QSharedData>
#include <QString>
#include <QVariant>

class MNotificationPrivate : public QSharedData
{
public:
    // Keyed by MNotification::Attribute.
    QMap<int, QVariant> attributes;
    QString message;
    int type = 0;
    int subtype = 0;
};

#endif // MNOTIFICATION_P_H
