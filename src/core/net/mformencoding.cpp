#include "mformencoding.h"

#include <QUrl>

QByteArray mFormEncode(const QList<QPair<QString, QString>> &fields)
{
    QByteArray encoded;
    for (const auto &field : fields) {
        if (!encoded.isEmpty())
            encoded += '&';
        encoded +=
            QUrl::toPercentEncoding(field.first) + '=' + QUrl::toPercentEncoding(field.second);
    }
    return encoded;
}
