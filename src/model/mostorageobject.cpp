#include "mostorageobject.h"

#include "mocorevalues_p.h"
#include "mqbindings.h"
#include "mstorageobject.h"

class MOStorageObjectPrivate : public QSharedData
{
public:
    MOStorageObjectPrivate() = default;
    explicit MOStorageObjectPrivate(const MStorageObject &object)
        : object(object)
    {}

    MStorageObject object;
};

MOStorageObject::MOStorageObject()
    : d(new MOStorageObjectPrivate)
{}

MOStorageObject::MOStorageObject(MOStorageObjectPrivate *d)
    : d(d)
{}

MOStorageObject MOCoreValues::storageObjectWithCXXStorageObject(const MStorageObject &object)
{
    return MOStorageObject(new MOStorageObjectPrivate(object));
}

MOStorageObject::MOStorageObject(const MOStorageObject &other) = default;
MOStorageObject &MOStorageObject::operator=(const MOStorageObject &other) = default;
MOStorageObject::~MOStorageObject() = default;

QString MOStorageObject::basePath() const
{
    return d->object.basePath();
}

void MOStorageObject::setBasePath(const QString &basePath)
{
    d->object.setBasePath(basePath);
}

QString MOStorageObject::label() const
{
    return d->object.label();
}

void MOStorageObject::setLabel(const QString &label)
{
    d->object.setLabel(label);
}

QString MOStorageObject::contentHash() const
{
    return d->object.contentHash();
}

void MOStorageObject::setContentHash(const QString &contentHash)
{
    d->object.setContentHash(contentHash);
}

qint64 MOStorageObject::size() const
{
    return d->object.size();
}

void MOStorageObject::setSize(qint64 size)
{
    d->object.setSize(size);
}

MOStorageObject::Type MOStorageObject::type() const
{
    return Type(d->object.type());
}

void MOStorageObject::setType(qint64 type)
{
    d->object.setType(int(type));
}

QVariantMap MOStorageObject::metadata() const
{
    return d->object.metadata();
}

void MOStorageObject::setMetadata(const QVariantMap &metadata)
{
    d->object.setMetadata(metadata);
}

QString MOStorageObject::MIMEType() const
{
    return d->object.MIMEType();
}

void MOStorageObject::setMIMEType(const QString &MIMEType)
{
    d->object.setMIMEType(MIMEType);
}

QDateTime MOStorageObject::lastModified() const
{
    return QDateTimeToNSDate(d->object.lastModified());
}

void MOStorageObject::setLastModified(const QDateTime &lastModified)
{
    d->object.setLastModified(NSDateToQDateTime(lastModified));
}

quint64 MOStorageObject::childrenCount() const
{
    return quint64(d->object.childrenCount());
}

void MOStorageObject::setChildrenCount(quint64 childrenCount)
{
    d->object.setChildrenCount(qint64(childrenCount));
}

QString MOStorageObject::versionID() const
{
    return d->object.versionID();
}

void MOStorageObject::setVersionID(const QString &versionID)
{
    d->object.setVersionID(versionID);
}

bool MOStorageObject::cached() const
{
    return d->object.cached();
}

void MOStorageObject::setCached(bool cached)
{
    d->object.setCached(cached);
}

bool MOStorageObject::consolidated() const
{
    return d->object.consolidated();
}

void MOStorageObject::setConsolidated(bool consolidated)
{
    d->object.setConsolidated(consolidated);
}

bool MOStorageObject::deleted() const
{
    return d->object.deleted();
}

void MOStorageObject::setDeleted(bool deleted)
{
    d->object.setDeleted(deleted);
}

QString MOStorageObject::provider() const
{
    return d->object.provider();
}

void MOStorageObject::setProvider(const QString &provider)
{
    d->object.setProvider(provider);
}

QString MOStorageObject::fullPath() const
{
    return d->object.fullPath();
}

MStorageObject MOCoreValues::cxxStorageObject(const MOStorageObject &value)
{
    return value.d->object;
}
