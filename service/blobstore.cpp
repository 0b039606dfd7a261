#include "blobstore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

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

QString BlobStore::putPattern(qint64 size) const
{
    constexpr int period = 251;
    constexpr int piece = period * 4096; // whole periods, so every piece is the same
    QByteArray bytes(piece, Qt::Uninitialized);
    for (int i = 0; i < piece; ++i)
        bytes[i] = char(i % period);
    // Written under a name of its own first: the digest is known only at the end.
    QDir().mkpath(rootPath);
    QTemporaryFile file(rootPath + QStringLiteral("/pattern-XXXXXX"));
    QCryptographicHash md5(QCryptographicHash::Md5);
    bool written = file.open();
    for (qint64 done = 0; written && done < size;) {
        const qint64 length = qMin<qint64>(piece, size - done);
        md5.addData(bytes.constData(), int(length));
        written = file.write(bytes.constData(), length) == length;
        done += length;
    }
    const QString hash = QString::fromLatin1(md5.result().toHex());
    const QString path = filePath(hash);
    if (written && QFileInfo(path).size() == size && QFileInfo::exists(path))
        return hash;
    if (written && file.flush() && QDir().mkpath(QFileInfo(path).path())) {
        QFile::remove(path);
        if (file.rename(path)) {
            file.setAutoRemove(false);
            return hash;
        }
    }
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
