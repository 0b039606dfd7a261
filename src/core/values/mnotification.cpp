#include "mnotification.h"
#include "mnotification_p.h"

#include "tolvo.h"

#include <QDataStream>
#include <QDebug>
#include <QMetaEnum>

static void registerNotificationTypes()
{
    qRegisterMetaType<MNotification>("MNotification");
    qRegisterMetaTypeStreamOperators<MNotification>("MNotification");
}
Q_CONSTRUCTOR_FUNCTION(registerNotificationTypes)

MNotification::MNotification()
    : d(new MNotificationPrivate)
{}

MNotification::MNotification(MNotification::Type type, const QString &message, int subtype)
    : d(new MNotificationPrivate)
{
    d->type = type;
    d->message = message;
    d->subtype = subtype;
}

MNotification::MNotification(const MNotification &other) = default;
MNotification &MNotification::operator=(const MNotification &other) = default;
MNotification::~MNotification() = default;

MNotification::Type MNotification::type() const
{
    return static_cast<Type>(d->type);
}

void MNotification::setType(MNotification::Type type)
{
    d->type = type;
}

QString MNotification::message() const
{
    return d->message;
}

void MNotification::setMessage(const QString &message)
{
    d->message = message;
}

int MNotification::subtype() const
{
    return d->subtype;
}

void MNotification::setSubtype(int subtype)
{
    d->subtype = subtype;
}

QVariant MNotification::attribute(MNotification::Attribute attribute) const
{
    return d->attributes.value(attribute);
}

void MNotification::setAttribute(MNotification::Attribute attribute, const QVariant &value)
{
    d->attributes.insert(attribute, value);
}

QDataStream &operator<<(QDataStream &stream, const MNotification &notification)
{
    stream << qint32(notification.d->type) << qint32(notification.d->subtype)
           << notification.d->message << notification.d->attributes;
    return stream;
}

QDataStream &operator>>(QDataStream &stream, MNotification &notification)
{
    qint32 type = 0;
    qint32 subtype = 0;
    QString message;
    QMap<int, QVariant> attributes;
    stream >> type >> subtype >> message >> attributes;
    // A short or corrupt stream yields an empty notification rather than a half-read one.
    notification = MNotification();
    if (stream.status() == QDataStream::Ok) {
        notification.d->type = type;
        notification.d->subtype = subtype;
        notification.d->message = message;
        notification.d->attributes = attributes;
    }
    return stream;
}

static const char *typeName(MNotification::Type type)
{
    switch (type) {
    case MNotification::INFO:
        return "INFO";
    case MNotification::WARN:
        return "WARN";
    case MNotification::ERROR:
        return "ERROR";
    }
    return "";
}

QDebug operator<<(QDebug debug, const MNotification &notification)
{
    const int action = notification.attribute(MNotification::Action).toInt();
    const char *actionName =
        QMetaEnum::fromType<Tolvo::ObjectAction>().valueToKey(action); // null when unknown

    QDebugStateSaver saver(debug);
    debug.nospace() << "[MNotification: " << QString::fromLatin1(typeName(notification.type()))
                    << "] => " << notification.message() << ' ' << QString::fromLatin1(actionName)
                    << " (action: " << action << ")";
    return debug;
}
