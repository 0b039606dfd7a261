#ifndef MOBJECTERROR_P_H
#define MOBJECTERROR_P_H

#include <QList>
#include <QSharedData>
#include <QString>
#include <QVariant>

class MObjectErrorPrivate : public QSharedData
{
public:
    int code = 0;
    QString message;
    QString path;
    QString requestType;
    QList<QVariant> arguments;
};

#endif // MOBJECTERROR_P_H
