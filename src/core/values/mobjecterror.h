#ifndef MOBJECTERROR_H
#define MOBJECTERROR_H

#include <QList>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariant>

#include "tolvo.h"

class QDataStream;
class QDebug;
class MObjectErrorPrivate;

// The failure of one action on one object. The code is a Tolvo::Error; the model layer
// turns it into the text the user sees.
class MObjectError
{
public:
    MObjectError();
    MObjectError(int code, const QString &message, const QString &path, const QString &requestType,
                 const QList<QVariant> &arguments);
    MObjectError(const MObjectError &other);
    MObjectError &operator=(const MObjectError &other);
    ~MObjectError();

    void swap(MObjectError &other) noexcept { d.swap(other.d); }

    int code() const;
    QString message() const;
    QString path() const;
    QString requestType() const;
    QList<QVariant> arguments() const;
    void setArguments(const QList<QVariant> &arguments);

    static MObjectError ioError(const QString &path, const QString &requestType);
    static MObjectError fileExistsError(const QString &path, const QString &requestType);
    static MObjectError sourceNotFoundError(const QString &path, const QString &requestType);
    static MObjectError transferError(const QString &path, const QString &requestType);

private:
    QSharedDataPointer<MObjectErrorPrivate> d;
};

Q_DECLARE_SHARED(MObjectError)

using MObjectErrorList = QList<MObjectError>;

Q_DECLARE_METATYPE(MObjectError)
Q_DECLARE_METATYPE(MObjectErrorList)

QDataStream &operator<<(QDataStream &stream, const MObjectError &error);
QDataStream &operator>>(QDataStream &stream, MObjectError &error);
QDebug operator<<(QDebug debug, const MObjectError &error);

#endif // MOBJECTERROR_H
