#ifndef MJSONREQUESTMANAGER_P_H
#define MJSONREQUESTMANAGER_P_H

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>

class MJsonRequestManagerPrivate
{
public:
    // Bytes received so far, by request identifier.
    QMutex mutex;
    QHash<QString, QByteArray> buffers;
};

#endif // MJSONREQUESTMANAGER_P_H
