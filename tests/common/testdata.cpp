#include "testdata.h"

#include <QCryptographicHash>

namespace TestData {

const QString demoEmail = QStringLiteral("demo@kerlo.local");
const QString demoPassword = QStringLiteral("lumarin-demo");
const QString clientCredential = QStringLiteral("0123456789abcdef").repeated(4);

QByteArray md5(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
}

QString md5Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(md5(bytes).toHex());
}

} // namespace TestData
