#ifndef MODEVICE_H
#define MODEVICE_H

#include <QDateTime>
#include <QMetaType>
#include <QString>

// One installation of a client the service knows for the signed-in user, as the interface sees
// it: its name (the computer's host name), when it was first and last seen.
class MODevice
{
public:
    MODevice() = default;
    MODevice(qint64 identifier, const QString &name, const QDateTime &createdAt,
             const QDateTime &lastActivity)
        : m_identifier(identifier)
        , m_name(name)
        , m_createdAt(createdAt)
        , m_lastActivity(lastActivity)
    {}

    qint64 identifier() const { return m_identifier; }
    QString name() const { return m_name; }
    QDateTime createdAt() const { return m_createdAt; }
    QDateTime lastActivity() const { return m_lastActivity; }

private:
    qint64 m_identifier = 0;
    QString m_name;
    QDateTime m_createdAt;
    QDateTime m_lastActivity;
};

Q_DECLARE_METATYPE(MODevice)

#endif // MODEVICE_H
