#include "storedobject.h"

#include "blobstore.h"
#include "objectpath.h"
#include "secrets.h"

#include <QDateTime>
#include <QMimeDatabase>

namespace {

constexpr int versionIdBytes = 8;

QString isoDate(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
}

QString mimeType(const StoredObject &object)
{
    if (object.folder)
        return QStringLiteral("inode/directory");
    // By name only: the type of a file must not change with bytes the client cannot see.
    return QMimeDatabase()
        .mimeTypeForFile(ObjectPath::name(object.path), QMimeDatabase::MatchExtension)
        .name();
}

} // namespace

QString StoredObject::newVersionId()
{
    return Secrets::randomHex(versionIdBytes);
}

StoredObject StoredObject::newFolder(const QString &path)
{
    StoredObject object;
    object.path = path;
    object.folder = true;
    object.modified = QDateTime::currentSecsSinceEpoch();
    object.versionId = newVersionId();
    return object;
}

StoredObject StoredObject::newFile(const QString &path, const QString &hash, qint64 size)
{
    StoredObject object = newFolder(path);
    object.folder = false;
    object.hash = hash;
    object.size = size;
    return object;
}

QJsonObject StoredObject::toReplyJson(qint64 childrenCount, bool deleted) const
{
    return {
        {QStringLiteral("base_path"), ObjectPath::parent(path)},
        {QStringLiteral("label"), ObjectPath::name(path)},
        {QStringLiteral("size"), size},
        {QStringLiteral("hash"), hash},
        {QStringLiteral("children_count"), childrenCount},
        {QStringLiteral("type"), folder ? QStringLiteral("directory") : QStringLiteral("regfile")},
        {QStringLiteral("metadata"),
         QJsonObject{{QStringLiteral("content_type"), mimeType(*this)},
                     {QStringLiteral("last_modified"), isoDate(modified)}}},
        {QStringLiteral("version_id"), versionId},
        {QStringLiteral("cached"), false},
        {QStringLiteral("consolidated"), false},
        {QStringLiteral("deleted"), deleted},
    };
}

QJsonObject StoredObject::toStoredJson() const
{
    QJsonObject json{
        {QStringLiteral("path"), path},
        {QStringLiteral("modified"), modified},
        {QStringLiteral("version_id"), versionId},
    };
    if (folder) {
        json.insert(QStringLiteral("folder"), true);
    } else {
        json.insert(QStringLiteral("size"), size);
        json.insert(QStringLiteral("hash"), hash);
    }
    return json;
}

std::optional<StoredObject> StoredObject::fromStoredJson(const QJsonObject &json)
{
    StoredObject object;
    const std::optional<QString> path =
        ObjectPath::normalized(json.value(QLatin1String("path")).toString());
    object.folder = json.value(QLatin1String("folder")).toBool();
    object.size = qint64(json.value(QLatin1String("size")).toDouble());
    object.hash = json.value(QLatin1String("hash")).toString();
    object.modified = qint64(json.value(QLatin1String("modified")).toDouble());
    object.versionId = json.value(QLatin1String("version_id")).toString();
    if (!path || *path != json.value(QLatin1String("path")).toString() || object.size < 0 ||
        object.versionId.isEmpty() || (!object.folder && !BlobStore::isDigest(object.hash)))
        return std::nullopt;
    object.path = *path;
    return object;
}
