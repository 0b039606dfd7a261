#include "moobjecttransferrequest.h"

#include "mobjecttransferrequest.h"
#include "mocorevalues_p.h"
#include "mostorageobject.h"
#include "mostrongnsobjectcontainer.h"

#include <QVariantMap>

class MOObjectTransferRequestPrivate : public QSharedData
{
public:
    MObjectTransferRequest request;
};

MOObjectTransferRequest::MOObjectTransferRequest()
    : d(new MOObjectTransferRequestPrivate)
{
    d->request.setUserData(MOStrongNSObjectContainer::wrap(QVariantMap()));
}

MOObjectTransferRequest::MOObjectTransferRequest(const QString &sourcePath,
                                                 const QString &destinationPath, qint64 direction)
    : MOObjectTransferRequest()
{
    d->request.setSourcePath(sourcePath);
    d->request.setDestinationPath(destinationPath);
    d->request.setDirection(int(direction));
    d->request.setOverwriteStrategy(int(PickFreeName));
}

MOObjectTransferRequest MOCoreValues::objectTransferRequestWithCXXObjectTransferRequest(
    const MObjectTransferRequest &request)
{
    MOObjectTransferRequest value;
    value.d->request = request;
    return value;
}

MOObjectTransferRequest::MOObjectTransferRequest(const MOObjectTransferRequest &other) = default;
MOObjectTransferRequest &
MOObjectTransferRequest::operator=(const MOObjectTransferRequest &other) = default;
MOObjectTransferRequest::~MOObjectTransferRequest() = default;

QString MOObjectTransferRequest::sourcePath() const
{
    return d->request.sourcePath();
}

QString MOObjectTransferRequest::destinationPath() const
{
    return d->request.destinationPath();
}

void MOObjectTransferRequest::setDestinationPath(const QString &destinationPath)
{
    d->request.setDestinationPath(destinationPath);
}

MOObjectTransferRequest::Direction MOObjectTransferRequest::direction() const
{
    return Direction(d->request.direction());
}

void MOObjectTransferRequest::setDirection(qint64 direction)
{
    d->request.setDirection(int(direction));
}

MOObjectTransferRequest::OverwriteStrategy MOObjectTransferRequest::overwriteStrategy() const
{
    return OverwriteStrategy(d->request.overwriteStrategy());
}

void MOObjectTransferRequest::setOverwriteStrategy(qint64 strategy)
{
    d->request.setOverwriteStrategy(int(strategy));
}

bool MOObjectTransferRequest::shouldCache() const
{
    return d->request.shouldCache();
}

void MOObjectTransferRequest::setShouldCache(bool shouldCache)
{
    d->request.setShouldCache(shouldCache);
}

MOObjectTransferRequest::Mode MOObjectTransferRequest::mode() const
{
    return Mode(QFlag(d->request.mode()));
}

void MOObjectTransferRequest::setMode(Mode mode)
{
    setMode(quint64(uint(mode)));
}

void MOObjectTransferRequest::setMode(quint64 mode)
{
    d->request.setMode(int(mode));
}

MOStorageObject MOObjectTransferRequest::storageObject() const
{
    return MOCoreValues::storageObjectWithCXXStorageObject(d->request.storageObject());
}

QVariant MOObjectTransferRequest::userData() const
{
    return MOStrongNSObjectContainer::unwrap(d->request.userData());
}

void MOObjectTransferRequest::setUserData(const QVariant &userData)
{
    d->request.setUserData(MOStrongNSObjectContainer::wrap(userData));
}

MObjectTransferRequest MOCoreValues::cxxTransferRequest(const MOObjectTransferRequest &value)
{
    return value.d->request;
}
