#include "mobjecttransferrequest.h"

#include <QDataStream>

class MObjectTransferRequestPrivate : public QSharedData
{
public:
    static QString enumToStr(MObjectTransferRequest::Attribute attribute)
    {
        return QString::number(int(attribute));
    }

    QString sourcePath;
    QString destinationPath;
    int direction = 0;
    int mode = 0;
    QByteArray baseHash;
    bool isNull = true;
    bool shouldCache = false;
    QVariant userData;
    QVariantMap attributes;
    MStorageObject storageObject;
};

MObjectTransferRequest::MObjectTransferRequest()
    : d(new MObjectTransferRequestPrivate)
{}

MObjectTransferRequest::MObjectTransferRequest(const QString &sourcePath,
                                               const QString &destinationPath, int direction)
    : d(new MObjectTransferRequestPrivate)
{
    d->sourcePath = sourcePath;
    d->destinationPath = destinationPath;
    d->direction = direction;
    d->isNull = false;
    setOverwriteStrategy(Tolvo::PickFreeName);
}

MObjectTransferRequest::MObjectTransferRequest(const MObjectTransferRequest &other) = default;
MObjectTransferRequest &
MObjectTransferRequest::operator=(const MObjectTransferRequest &other) = default;
MObjectTransferRequest::~MObjectTransferRequest() = default;

QString MObjectTransferRequest::sourcePath() const
{
    return d->sourcePath;
}

void MObjectTransferRequest::setSourcePath(const QString &sourcePath)
{
    d->sourcePath = sourcePath;
    d->isNull = false;
}

QString MObjectTransferRequest::destinationPath() const
{
    return d->destinationPath;
}

void MObjectTransferRequest::setDestinationPath(const QString &destinationPath)
{
    d->destinationPath = destinationPath;
    d->isNull = false;
}

int MObjectTransferRequest::direction() const
{
    return d->direction;
}

void MObjectTransferRequest::setDirection(int direction)
{
    d->direction = direction;
    d->isNull = false;
}

int MObjectTransferRequest::mode() const
{
    return d->mode;
}

void MObjectTransferRequest::setMode(int mode)
{
    d->mode = mode;
    d->isNull = false;
}

QByteArray MObjectTransferRequest::baseHash() const
{
    return d->baseHash;
}

void MObjectTransferRequest::setBaseHash(const QByteArray &baseHash)
{
    d->baseHash = baseHash;
    d->isNull = false;
}

bool MObjectTransferRequest::shouldCache() const
{
    return d->shouldCache;
}

void MObjectTransferRequest::setShouldCache(bool shouldCache)
{
    d->shouldCache = shouldCache;
    d->isNull = false;
}

QVariant MObjectTransferRequest::userData() const
{
    return d->userData;
}

void MObjectTransferRequest::setUserData(const QVariant &userData)
{
    d->userData = userData;
    d->isNull = false;
}

int MObjectTransferRequest::overwriteStrategy() const
{
    return attribute(OverwriteStrategy).toInt();
}

void MObjectTransferRequest::setOverwriteStrategy(int strategy)
{
    setAttribute(OverwriteStrategy, strategy);
}

int MObjectTransferRequest::action() const
{
    return attribute(Action).toInt();
}

void MObjectTransferRequest::setAction(int action)
{
    setAttribute(Action, action);
}

QVariant MObjectTransferRequest::attribute(MObjectTransferRequest::Attribute attribute) const
{
    return d->attributes.value(MObjectTransferRequestPrivate::enumToStr(attribute));
}

void MObjectTransferRequest::setAttribute(MObjectTransferRequest::Attribute attribute,
                                          const QVariant &value)
{
    d->attributes.insert(MObjectTransferRequestPrivate::enumToStr(attribute), value);
    d->isNull = false;
}

MStorageObject MObjectTransferRequest::storageObject() const
{
    return d->storageObject;
}

void MObjectTransferRequest::setStorageObject(const MStorageObject &storageObject)
{
    d->storageObject = storageObject;
}

bool MObjectTransferRequest::isNull() const
{
    return d->isNull;
}

uint qHash(const MObjectTransferRequest &request, uint seed) noexcept
{
    return uint(request.direction()) ^ qHash(request.sourcePath(), seed) ^
           qHash(request.destinationPath(), seed);
}

QDataStream &operator<<(QDataStream &stream, const MObjectTransferRequest &request)
{
    const int version = stream.version();
    stream.setVersion(QDataStream::Qt_5_3);
    const MObjectTransferRequestPrivate &d = *request.d;
    stream << d.sourcePath << d.destinationPath << qint32(d.direction) << qint32(d.mode)
           << d.baseHash << d.shouldCache << d.attributes << d.isNull << d.storageObject;
    stream.setVersion(version);
    return stream;
}

QDataStream &operator>>(QDataStream &stream, MObjectTransferRequest &request)
{
    const int version = stream.version();
    stream.setVersion(QDataStream::Qt_5_3);
    // Read into a copy, so that a short or corrupt stream leaves the request as it was.
    MObjectTransferRequest read(request);
    MObjectTransferRequestPrivate &d = *read.d;
    qint32 direction = 0;
    qint32 mode = 0;
    stream >> d.sourcePath >> d.destinationPath >> direction >> mode >> d.baseHash >>
        d.shouldCache >> d.attributes >> d.isNull >> d.storageObject;
    stream.setVersion(version);
    if (stream.status() == QDataStream::Ok) {
        d.direction = direction;
        d.mode = mode;
        request = read;
    }
    return stream;
}
