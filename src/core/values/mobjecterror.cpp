#include "mobjecterror.h"
#include "mobjecterror_p.h"

#include <QDataStream>
#include <QDebug>

static void registerObjectErrorTypes()
{
    qRegisterMetaType<Tolvo::Error>("Tolvo::Error");
    qRegisterMetaType<MObjectError>("MObjectError");
    qRegisterMetaType<MObjectErrorList>("MObjectErrorList");
    qRegisterMetaTypeStreamOperators<MObjectError>("MObjectError");
    qRegisterMetaTypeStreamOperators<MObjectErrorList>("MObjectErrorList");
}
Q_CONSTRUCTOR_FUNCTION(registerObjectErrorTypes)

MObjectError::MObjectError()
    : d(new MObjectErrorPrivate)
{}

MObjectError::MObjectError(int code, const QString &message, const QString &path,
                           const QString &requestType, const QList<QVariant> &arguments)
    : d(new MObjectErrorPrivate)
{
    d->code = code;
    d->message = message;
    d->path = path;
    d->requestType = requestType;
    d->arguments = arguments;
}

MObjectError::MObjectError(const MObjectError &other) = default;
MObjectError &MObjectError::operator=(const MObjectError &other) = default;
MObjectError::~MObjectError() = default;

int MObjectError::code() const
{
    return d->code;
}

QString MObjectError::message() const
{
    return d->message;
}

QString MObjectError::path() const
{
    return d->path;
}

QString MObjectError::requestType() const
{
    return d->requestType;
}

QList<QVariant> MObjectError::arguments() const
{
    return d->arguments;
}

void MObjectError::setArguments(const QList<QVariant> &arguments)
{
    d->arguments = arguments;
}

MObjectError MObjectError::ioError(const QString &path, const QString &requestType)
{
    return MObjectError(Tolvo::LocalIOError, QStringLiteral("I/O error for file: '%1'").arg(path),
                        path, requestType, {});
}

MObjectError MObjectError::fileExistsError(const QString &path, const QString &requestType)
{
    return MObjectError(
        Tolvo::LocalFileExists,
        QStringLiteral("Cannot create file at path: '%1'. A file already exists.").arg(path), path,
        requestType, {});
}

MObjectError MObjectError::sourceNotFoundError(const QString &path, const QString &requestType)
{
    return MObjectError(Tolvo::LocalIOError,
                        QStringLiteral("Cannot find source file: '%1'").arg(path), path,
                        requestType, {});
}

MObjectError MObjectError::transferError(const QString &path, const QString &requestType)
{
    return MObjectError(
        Tolvo::TransferFailed,
        QStringLiteral("An error occurred during object transfer for path '%1'.").arg(path), path,
        requestType, {});
}

QDataStream &operator<<(QDataStream &stream, const MObjectError &error)
{
    stream << qint32(error.code()) << error.path() << error.message() << error.requestType()
           << error.arguments();
    return stream;
}

QDataStream &operator>>(QDataStream &stream, MObjectError &error)
{
    qint32 code = 0;
    QString path;
    QString message;
    QString requestType;
    QList<QVariant> arguments;
    stream >> code >> path >> message >> requestType >> arguments;
    // A short or corrupt stream yields an empty error rather than a half-read one.
    if (stream.status() != QDataStream::Ok)
        error = MObjectError();
    else
        error = MObjectError(code, message, path, requestType, arguments);
    return stream;
}

QDebug operator<<(QDebug debug, const MObjectError &error)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "{ code: " << error.code() << ", "
                    << "  path: " << error.path() << ","
                    << "  message: " << error.message() << ","
                    << "  request_type: " << error.requestType() << "}";
    return debug;
}
