#include "downloadmark.h"

#include <QFile>

#include <cstdio>
#include <sys/xattr.h>

const char *const DownloadMark::AttributeName = "user.kerlo.progress.fractionCompleted";

bool DownloadMark::setFractionCompleted(const QString &path, double fraction)
{
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%f", fraction);
    if (length <= 0)
        return false;
    return ::setxattr(QFile::encodeName(path).constData(), AttributeName, text, size_t(length),
                      0) == 0;
}

QString DownloadMark::fractionCompleted(const QString &path)
{
    char text[64];
    const ssize_t length =
        ::getxattr(QFile::encodeName(path).constData(), AttributeName, text, sizeof text);
    if (length < 0)
        return QString();
    return QString::fromLatin1(text, int(length));
}

bool DownloadMark::clear(const QString &path)
{
    return ::removexattr(QFile::encodeName(path).constData(), AttributeName) == 0;
}

bool DownloadMark::isSupported(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::setxattr(name.constData(), "user.kerlo.probe", "1", 1, 0) != 0)
        return false;
    ::removexattr(name.constData(), "user.kerlo.probe");
    return true;
}
