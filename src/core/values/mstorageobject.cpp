#include "mstorageobject.h"

#include "corelogging.h"
#include "mfilenames.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <limits>

class MStorageObjectPrivate : public QSharedData
{
public:
    QString typeAsString() const
    {
        switch (type) {
        case MStorageObject::RegularFile:
            return QStringLiteral("regfile");
        case MStorageObject::Directory:
            return QStringLiteral("directory");
        default:
            return QString();
        }
    }

    // A write through a shared copy carries every field into the new record, flags and
    // version included: callers mark copies cached and read the rest back.
    QString basePath;
    QString label;
    qint64 size = 0;
    QString contentHash;
    qint64 childrenCount = 0;
    int type = MStorageObject::Invalid;
    // The metadata: as the service's reply decoded it (its object shared, not converted: a
    // listing holds many thousands) until it is edited, then as a map of its own.
    QJsonObject jsonMetadata;
    QVariantMap metadata;
    bool metadataIsJson = false;
    QString MIMEType;
    QDateTime lastModified;
    QString versionID;
    bool cached = false;
    bool consolidated = false;
    bool deleted = false;
    QString provider;

    QVariantMap metadataMap() const
    {
        return metadataIsJson ? jsonMetadata.toVariantMap() : metadata;
    }
    QVariantMap &editableMetadata()
    {
        if (metadataIsJson) {
            metadata = jsonMetadata.toVariantMap();
            jsonMetadata = QJsonObject();
            metadataIsJson = false;
        }
        return metadata;
    }
};

namespace {

const QString contentTypeKey = QStringLiteral("content_type");
const QString lastModifiedKey = QStringLiteral("last_modified");

// The service sends the right shapes; a wrong one must only ever give an empty field.
QString text(const QVariant &value)
{
    return value.userType() == QMetaType::QString ? value.toString() : QString();
}

bool flag(const QVariant &value)
{
    return value.userType() == QMetaType::Bool && value.toBool();
}

// A size or count: a non-negative number or numeric text; 0 for anything else.
qint64 count(const QVariant &value)
{
    bool ok = false;
    qint64 number = 0;
    switch (value.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        number = value.toLongLong(&ok);
        break;
    case QMetaType::ULongLong:
        ok = value.toULongLong() <= qulonglong(std::numeric_limits<qint64>::max());
        number = qint64(value.toULongLong());
        break;
    case QMetaType::Double: {
        const double real = value.toDouble();
        // JSON numbers beyond 2^63 decode as doubles; converting them is undefined.
        ok = std::isfinite(real) && real >= 0 && real < 9223372036854775808.0;
        number = ok ? qint64(real) : 0;
        break;
    }
    case QMetaType::QString:
        number = value.toString().toLongLong(&ok);
        break;
    default:
        break;
    }
    return ok && number >= 0 ? number : 0;
}

QVariantMap objectOf(const QVariant &value)
{
    return value.toMap();
}

// The JSON forms give what the same value gives through QVariant, without converting the
// whole object first.
QString text(const QJsonValue &value)
{
    return value.isString() ? value.toString() : QString();
}

bool flag(const QJsonValue &value)
{
    return value.isBool() && value.toBool();
}

qint64 count(const QJsonValue &value)
{
    return value.isDouble() || value.isString() ? count(value.toVariant()) : 0;
}

// The same string as the last one given for slot on this thread, shared with it: a listing
// repeats its base path and a few MIME types in every object.
QString shared(QString value, int slot)
{
    thread_local QString last[2];
    if (value == last[slot])
        return last[slot];
    last[slot] = value;
    return value;
}

void readMetadata(MStorageObjectPrivate *d, const QVariantMap &map)
{
    d->metadata = objectOf(map.value(QStringLiteral("metadata")));
    d->MIMEType = text(d->metadata.value(contentTypeKey));
}

void readMetadata(MStorageObjectPrivate *d, const QJsonObject &map)
{
    const QJsonValue metadata = map.value(QStringLiteral("metadata"));
    d->jsonMetadata = metadata.isObject() ? metadata.toObject() : QJsonObject();
    d->metadataIsJson = true;
    d->MIMEType = shared(text(d->jsonMetadata.value(contentTypeKey)), 1);
}

QVariant lastModifiedOf(const MStorageObjectPrivate *d)
{
    return d->metadataIsJson ? d->jsonMetadata.value(lastModifiedKey).toVariant()
                             : d->metadata.value(lastModifiedKey);
}

// Two decimal digits at text[at].
int twoDigits(const QString &text, int at, bool *ok)
{
    const QChar high = text.at(at);
    const QChar low = text.at(at + 1);
    if (high < QLatin1Char('0') || high > QLatin1Char('9') || low < QLatin1Char('0') ||
        low > QLatin1Char('9')) {
        *ok = false;
        return 0;
    }
    return (high.unicode() - '0') * 10 + (low.unicode() - '0');
}

// What QDateTime::fromString(text, Qt::ISODate) gives, read directly for the form the service
// sends ("2014-05-01T10:00:00+02:00", or with "Z", or without a zone): Qt's general parser
// costs as much as the rest of the object. Any other form goes to Qt's parser.
QDateTime isoDateTime(const QString &text)
{
    const int size = text.size();
    bool ok = size >= 19 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-') &&
              text.at(10) == QLatin1Char('T') && text.at(13) == QLatin1Char(':') &&
              text.at(16) == QLatin1Char(':');
    Qt::TimeSpec spec = Qt::LocalTime;
    int offset = 0;
    if (ok && size == 20) {
        ok = text.at(19) == QLatin1Char('Z');
        spec = Qt::UTC;
    } else if (ok && size == 25) {
        const QChar sign = text.at(19);
        ok = (sign == QLatin1Char('+') || sign == QLatin1Char('-')) &&
             text.at(22) == QLatin1Char(':');
        const int hours = ok ? twoDigits(text, 20, &ok) : 0;
        const int minutes = ok ? twoDigits(text, 23, &ok) : 0;
        ok = ok && hours <= 14 && minutes <= 59;
        offset = (sign == QLatin1Char('-') ? -1 : 1) * (hours * 60 + minutes) * 60;
        spec = Qt::OffsetFromUTC;
    } else if (size != 19) {
        ok = false;
    }
    if (ok) {
        const int year = twoDigits(text, 0, &ok) * 100 + twoDigits(text, 2, &ok);
        const QDate date(year, twoDigits(text, 5, &ok), twoDigits(text, 8, &ok));
        const QTime time(twoDigits(text, 11, &ok), twoDigits(text, 14, &ok),
                         twoDigits(text, 17, &ok));
        if (ok && date.isValid() && time.isValid())
            return QDateTime(date, time, spec, offset);
    }
    return QDateTime::fromString(text, Qt::ISODate);
}

// Map is a QVariantMap or a QJsonObject, as the service's reply was decoded.
template<typename Map> void readFields(MStorageObjectPrivate *d, const Map &map)
{
    const auto basePath = map.constFind(QStringLiteral("base_path"));
    if (basePath != map.constEnd())
        d->basePath = shared(text(*basePath), 0);
    d->label = text(map.value(QStringLiteral("label")));
    d->size = count(map.value(QStringLiteral("size")));
    d->contentHash = text(map.value(QStringLiteral("hash")));
    d->childrenCount = count(map.value(QStringLiteral("children_count")));

    const QString type = text(map.value(QStringLiteral("type")));
    if (type == QLatin1String("directory"))
        d->type = MStorageObject::Directory;
    else if (type == QLatin1String("regfile"))
        d->type = MStorageObject::RegularFile;
    // The root folder is the one object named "/" (its base path is "/" too).
    const bool isRoot = d->label == QLatin1String("/") &&
                        (d->basePath.isEmpty() || d->basePath == QLatin1String("/"));
    if ((!d->label.isEmpty() && !isRoot && !mIsPlainName(d->label)) ||
        mPathHasParentComponent(d->basePath) || d->basePath.contains(QChar(0))) {
        qCWarning(lcCoreObjects)
            << "MStorageObject: Ignoring an object whose name leaves its directory:" << d->basePath
            << d->label;
        d->type = MStorageObject::Invalid;
    }

    readMetadata(d, map);
    d->versionID = text(map.value(QStringLiteral("version_id")));
    d->cached = flag(map.value(QStringLiteral("cached")));
    d->consolidated = flag(map.value(QStringLiteral("consolidated")));
    if (d->consolidated)
        d->cached = true;
    d->deleted = flag(map.value(QStringLiteral("deleted")));

    const QVariant lastModified = lastModifiedOf(d);
    if (lastModified.userType() == QMetaType::QDateTime)
        d->lastModified = lastModified.toDateTime();
    else if (!text(lastModified).isEmpty())
        d->lastModified = isoDateTime(lastModified.toString());
}

} // namespace

MStorageObject::MStorageObject()
    : d(new MStorageObjectPrivate)
{}

MStorageObject::MStorageObject(const QString &basePath, const QString &label)
    : d(new MStorageObjectPrivate)
{
    d->basePath = basePath;
    d->label = label;
}

MStorageObject::MStorageObject(const QFileInfo &fileInfo, const QString &localBasePath,
                               const QString &contentHash)
    : d(new MStorageObjectPrivate)
{
    const QString filePath = QDir::cleanPath(fileInfo.filePath());
    const QString basePath = QDir::cleanPath(localBasePath);
    QString relativePath = fileInfo.filePath();
    if (mPathIsUnder(filePath, basePath)) {
        relativePath = QDir::cleanPath(filePath.mid(basePath.size()));
        if (relativePath.startsWith(QLatin1Char('/')))
            relativePath.remove(0, 1);
    }
    const QFileInfo remote(QDir::cleanPath(QLatin1Char('/') + relativePath));
    d->basePath = QDir::cleanPath(remote.path());
    d->label = remote.fileName();
    d->size = fileInfo.size();

    if (!contentHash.isEmpty()) {
        d->contentHash = contentHash;
    } else if (!fileInfo.isDir()) {
        QFile file(fileInfo.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            qCWarning(lcCoreObjects) << "MStorageObject::MStorageObject: Cannot open file at path:"
                                     << fileInfo.filePath();
        } else {
            QCryptographicHash hash(QCryptographicHash::Md5);
            // A hash of part of the file would pass for the content's.
            if (hash.addData(&file) && file.error() == QFileDevice::NoError)
                d->contentHash = QString::fromLatin1(hash.result().toHex());
            else
                qCWarning(lcCoreObjects)
                    << "MStorageObject::MStorageObject: Cannot read file at path:"
                    << fileInfo.filePath();
        }
    }

    if (fileInfo.isDir()) {
        d->type = Directory;
        const QDir directory(fileInfo.filePath(), QString(), QDir::NoSort,
                             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        d->childrenCount = directory.count();
    } else {
        d->type = RegularFile;
        d->lastModified = fileInfo.lastModified();
        d->cached = true;
        d->consolidated = true;
    }
}

MStorageObject::MStorageObject(const QVariantMap &map)
    : d(new MStorageObjectPrivate)
{
    readFields(d.data(), map);
}

MStorageObject::MStorageObject(const QJsonObject &object)
    : d(new MStorageObjectPrivate)
{
    readFields(d.data(), object);
}

MStorageObject::MStorageObject(const MStorageObject &other) = default;
MStorageObject &MStorageObject::operator=(const MStorageObject &other) = default;
MStorageObject::~MStorageObject() = default;

QString MStorageObject::basePath() const
{
    return d->basePath;
}

void MStorageObject::setBasePath(const QString &basePath)
{
    d->basePath = basePath;
}

QString MStorageObject::label() const
{
    return d->label;
}

void MStorageObject::setLabel(const QString &label)
{
    d->label = label;
}

qint64 MStorageObject::size() const
{
    return d->size;
}

void MStorageObject::setSize(qint64 size)
{
    d->size = size;
}

QString MStorageObject::contentHash() const
{
    return d->contentHash;
}

void MStorageObject::setContentHash(const QString &contentHash)
{
    d->contentHash = contentHash;
}

qint64 MStorageObject::childrenCount() const
{
    return d->childrenCount;
}

void MStorageObject::setChildrenCount(qint64 childrenCount)
{
    d->childrenCount = childrenCount;
}

int MStorageObject::type() const
{
    return d->type;
}

void MStorageObject::setType(int type)
{
    d->type = type;
}

QVariantMap MStorageObject::metadata() const
{
    return d->metadataMap();
}

void MStorageObject::setMetadata(const QVariantMap &metadata)
{
    d->metadata = metadata;
    d->jsonMetadata = QJsonObject();
    d->metadataIsJson = false;
}

QString MStorageObject::MIMEType() const
{
    return d->MIMEType;
}

void MStorageObject::setMIMEType(const QString &MIMEType)
{
    d->MIMEType = MIMEType;
    d->editableMetadata().insert(contentTypeKey, MIMEType);
}

QDateTime MStorageObject::lastModified() const
{
    return d->lastModified;
}

void MStorageObject::setLastModified(const QDateTime &lastModified)
{
    d->lastModified = lastModified;
    d->editableMetadata().insert(lastModifiedKey, lastModified.toString(Qt::TextDate));
}

QString MStorageObject::versionID() const
{
    return d->versionID;
}

void MStorageObject::setVersionID(const QString &versionID)
{
    d->versionID = versionID;
}

bool MStorageObject::cached() const
{
    return d->cached;
}

void MStorageObject::setCached(bool cached)
{
    d->cached = cached;
}

bool MStorageObject::consolidated() const
{
    return d->consolidated;
}

void MStorageObject::setConsolidated(bool consolidated)
{
    d->consolidated = consolidated;
    if (consolidated)
        d->cached = true;
}

bool MStorageObject::deleted() const
{
    return d->deleted;
}

void MStorageObject::setDeleted(bool deleted)
{
    d->deleted = deleted;
}

QString MStorageObject::provider() const
{
    return d->provider;
}

void MStorageObject::setProvider(const QString &provider)
{
    d->provider = provider;
}

QString MStorageObject::fullPath() const
{
    return QDir::cleanPath(QLatin1Char('/') + d->basePath + QLatin1Char('/') + d->label);
}

bool MStorageObject::isValid() const
{
    return d->type != Invalid;
}

QVariantMap MStorageObject::toVariantMap() const
{
    return {{QStringLiteral("label"), d->label},
            {QStringLiteral("size"), qulonglong(d->size)},
            {QStringLiteral("type"), d->typeAsString()},
            {QStringLiteral("hash"), d->contentHash},
            {QStringLiteral("metadata"), d->metadataMap()},
            {QStringLiteral("children_count"), qulonglong(d->childrenCount)},
            {QStringLiteral("version_id"), d->versionID},
            {QStringLiteral("cached"), d->cached},
            {QStringLiteral("deleted"), d->deleted}};
}

bool MStorageObject::operator==(const MStorageObject &other) const
{
    return d == other.d || (d->type == other.d->type && d->contentHash == other.d->contentHash &&
                            fullPath() == other.fullPath());
}

uint qHash(const MStorageObject &object, uint seed) noexcept
{
    return qHash(object.fullPath(), seed) ^ uint(object.type()) ^ qHash(object.contentHash(), seed);
}

QDataStream &operator<<(QDataStream &stream, const MStorageObject &object)
{
    const int version = stream.version();
    stream.setVersion(QDataStream::Qt_5_3);
    const MStorageObjectPrivate &d = *object.d;
    stream << d.basePath << d.label << d.size << d.contentHash << qint32(d.type) << d.metadataMap()
           << d.MIMEType << d.lastModified << d.childrenCount << d.cached << d.consolidated
           << d.deleted << d.provider;
    stream.setVersion(version);
    return stream;
}

QDataStream &operator>>(QDataStream &stream, MStorageObject &object)
{
    const int version = stream.version();
    stream.setVersion(QDataStream::Qt_5_3);
    // Read into a copy, so that a short or corrupt stream leaves the object as it was; the
    // version ID is not stored and stays.
    MStorageObject read(object);
    MStorageObjectPrivate &d = *read.d;
    qint32 type = MStorageObject::Invalid;
    stream >> d.basePath >> d.label >> d.size >> d.contentHash >> type >> d.metadata >>
        d.MIMEType >> d.lastModified >> d.childrenCount >> d.cached >> d.consolidated >>
        d.deleted >> d.provider;
    d.jsonMetadata = QJsonObject();
    d.metadataIsJson = false;
    stream.setVersion(version);
    if (stream.status() == QDataStream::Ok) {
        d.type = type;
        if (d.consolidated)
            d.cached = true;
        object = read;
    }
    return stream;
}

QDebug operator<<(QDebug debug, const MStorageObject &object)
{
    QVariantMap map = object.toVariantMap();
    const QString typeKey = QStringLiteral("type");
    switch (object.type()) {
    case MStorageObject::Invalid:
        map.insert(typeKey, QStringLiteral("Invalid"));
        break;
    case MStorageObject::RegularFile:
        map.insert(typeKey, QStringLiteral("RegularFile"));
        break;
    case MStorageObject::Directory:
        map.insert(typeKey, QStringLiteral("Directory"));
        break;
    default:
        break;
    }
    debug.nospace() << map;
    return debug.space();
}
