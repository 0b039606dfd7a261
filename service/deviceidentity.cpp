#include "deviceidentity.h"

#include <QRegularExpression>

DeviceIdentity DeviceIdentity::fromUserAgent(const std::string &userAgent)
{
    // Not shared: worker threads call this at the same time.
    const QRegularExpression uuidField(
        QStringLiteral("(?:^|;)\\s*uuid:\\s*([0-9A-Fa-f]{32})\\s*;"));
    const QRegularExpression nameField(QStringLiteral("(?:^|;)\\s*name:\\s*([^;]*);"));

    const QString text = QString::fromUtf8(userAgent.data(), int(userAgent.size()));
    DeviceIdentity identity;
    identity.uuid = uuidField.match(text).captured(1);
    identity.name = nameField.match(text).captured(1).trimmed();
    return identity;
}
