#include "secrets.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QRandomGenerator>

#include <vector>

QString Secrets::randomHex(int byteCount)
{
    std::vector<quint32> words(size_t(byteCount + 3) / 4);
    QRandomGenerator::system()->fillRange(words.data(), qsizetype(words.size()));
    const QByteArray bytes(reinterpret_cast<const char *>(words.data()), byteCount);
    return QString::fromLatin1(bytes.toHex());
}

QString Secrets::passwordHash(const QString &salt, const QString &password)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(salt.toUtf8());
    hash.addData(password.toUtf8());
    return QString::fromLatin1(hash.result().toHex());
}
