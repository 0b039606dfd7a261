#include "blobstore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>

BlobStore::BlobStore(const QString &rootPath)
    : rootPath(rootPath)
{}

bool BlobStore::isDigest(const QString &hash)
{
    return hash.size() == 32 && std::all_of(hash.begin(), hash.end(), [](QChar c) {
               return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                      (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
           });
}

QString BlobStore::filePath(const QString &hash) const
{
    return QStringLiteral("%1/%2/%3").arg(rootPath, hash.left(2), hash);
}

QString BlobStore::put(const QByteArray &content) const
{
    const QString hash =
        QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex());
    const QString path = filePath(hash);
    const QFileInfo stored(path);
    if (stored.exists() && stored.size() == content.size())
        return hash;
    // Writers of the same blob race harmlessly: each renames a complete copy into place.
    QSaveFile file(path);
    if (QDir().mkpath(stored.path()) && file.open(QIODevice::WriteOnly) &&
        file.write(content) == content.size() && file.commit())
        return hash;
    std::fprintf(stderr, "kerlo-local: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(file.errorString()));
    return QString();
}

bool BlobStore::contains(const QString &hash) const
{
    return isDigest(hash) && QFileInfo::exists(filePath(hash));
}

std::optional<QByteArray> BlobStore::read(const QString &hash) const
{
    if (!isDigest(hash))
        return std::nullopt;
    QFile file(filePath(hash));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}
