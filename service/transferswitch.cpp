#include "transferswitch.h"

#include "objectpath.h"

#include <QMap>

bool TransferSwitch::matches(Kind wanted, const QString &objectPath) const
{
    return kind == wanted && (path.isEmpty() || path == objectPath);
}

std::optional<TransferSwitch> TransferSwitch::fromJson(const QJsonObject &json, QString *error)
{
    static const QMap<QString, Kind> kinds{
        {QStringLiteral("cut-download"), Kind::CutDownload},
        {QStringLiteral("ignore-range"), Kind::IgnoreRange},
        {QStringLiteral("omit-metadata"), Kind::OmitMetadata},
        {QStringLiteral("metadata-hash"), Kind::MetadataHash},
        {QStringLiteral("reverse-missing"), Kind::ReverseMissing},
        {QStringLiteral("slow-download"), Kind::SlowDownload},
    };
    TransferSwitch transferSwitch;
    const QString name = json.value(QLatin1String("switch")).toString();
    if (!kinds.contains(name)) {
        *error = QStringLiteral("\"switch\" must be one of: %1").arg(kinds.keys().join(", "));
        return std::nullopt;
    }
    transferSwitch.kind = kinds.value(name);

    const QJsonValue path = json.value(QLatin1String("path"));
    if (!path.isUndefined()) {
        const std::optional<QString> canonical = ObjectPath::normalized(path.toString());
        if (!path.isString() || !canonical) {
            *error = QStringLiteral("bad \"path\"");
            return std::nullopt;
        }
        transferSwitch.path = *canonical;
    }

    transferSwitch.count = json.value(QLatin1String("count")).toInt(1);
    if (transferSwitch.count == 0 || transferSwitch.count < -1) {
        *error = QStringLiteral("\"count\" must be positive, or -1 for ever");
        return std::nullopt;
    }

    const double bytes = json.value(QLatin1String("bytes")).toDouble(-1);
    if (transferSwitch.kind == Kind::CutDownload && (bytes < 0 || bytes > 9007199254740992.0)) {
        *error = QStringLiteral("\"bytes\" must be a count of bytes");
        return std::nullopt;
    }
    if (transferSwitch.kind == Kind::SlowDownload && (bytes < 1 || bytes > 9007199254740992.0)) {
        *error = QStringLiteral("\"bytes\" must be a positive count of bytes a second");
        return std::nullopt;
    }
    transferSwitch.bytes = qint64(bytes);

    // Any text: tests also send hashes that must be refused.
    const QJsonValue hash = json.value(QLatin1String("hash"));
    if (transferSwitch.kind == Kind::MetadataHash && !hash.isString()) {
        *error = QStringLiteral("\"hash\" must be a string");
        return std::nullopt;
    }
    transferSwitch.hash = hash.toString();
    return transferSwitch;
}
