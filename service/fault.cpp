#include "fault.h"

bool Fault::matches(const std::string &requestMethod, const std::string &requestPath) const
{
    const bool pathMatches =
        pathPrefix ? requestPath.compare(0, path.size(), path) == 0 : requestPath == path;
    return pathMatches && (method.empty() || method == requestMethod);
}

std::optional<Fault> Fault::fromJson(const QJsonObject &json, QString *error)
{
    Fault fault;
    fault.path = json.value(QLatin1String("path")).toString().toStdString();
    if (fault.path.empty() || fault.path.front() != '/') {
        *error = QStringLiteral("\"path\" must start with \"/\"");
        return std::nullopt;
    }
    fault.pathPrefix = json.value(QLatin1String("pathPrefix")).toBool(false);
    fault.method = json.value(QLatin1String("method")).toString().toUpper().toStdString();

    const QString action = json.value(QLatin1String("action")).toString();
    if (action == QLatin1String("status")) {
        fault.action = Action::Status;
    } else if (action == QLatin1String("delay")) {
        fault.action = Action::Delay;
    } else if (action == QLatin1String("hang")) {
        fault.action = Action::Hang;
    } else if (action == QLatin1String("drop")) {
        fault.action = Action::Drop;
    } else if (action == QLatin1String("drip")) {
        fault.action = Action::Drip;
    } else if (action == QLatin1String("cut")) {
        fault.action = Action::Cut;
    } else {
        *error = QStringLiteral("\"action\" must be status, delay, hang, drop, drip or cut");
        return std::nullopt;
    }

    fault.count = json.value(QLatin1String("count")).toInt(1);
    if (fault.count == 0 || fault.count < -1) {
        *error = QStringLiteral("\"count\" must be positive, or -1 for ever");
        return std::nullopt;
    }

    fault.status = json.value(QLatin1String("status")).toInt(500);
    if (fault.status < 100 || fault.status > 599) {
        *error = QStringLiteral("\"status\" must be an HTTP status");
        return std::nullopt;
    }
    fault.body = json.value(QLatin1String("body")).toString().toStdString();
    if (json.contains(QLatin1String("contentType")))
        fault.contentType = json.value(QLatin1String("contentType")).toString().toStdString();
    if (fault.contentType.find_first_of("\r\n") != std::string::npos) {
        *error = QStringLiteral("bad \"contentType\"");
        return std::nullopt;
    }

    const QJsonObject headers = json.value(QLatin1String("headers")).toObject();
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        const std::string name = it.key().toStdString();
        const std::string value = it.value().toString().toStdString();
        // Names and values go onto the wire as they are.
        if (name.empty() || name.find_first_of(":\r\n") != std::string::npos ||
            value.find_first_of("\r\n") != std::string::npos) {
            *error = QStringLiteral("bad header: %1").arg(it.key());
            return std::nullopt;
        }
        fault.headers.emplace_back(name, value);
    }

    fault.delayMs = json.value(QLatin1String("delayMs")).toInt(0);
    if (fault.delayMs < 0) {
        *error = QStringLiteral("\"delayMs\" must not be negative");
        return std::nullopt;
    }
    if (fault.action == Action::Drip && fault.delayMs <= 0) {
        *error = QStringLiteral("\"delayMs\" must be positive for drip");
        return std::nullopt;
    }
    fault.afterHandling = json.value(QLatin1String("afterHandling")).toBool(false);
    if (fault.afterHandling && fault.action != Action::Drop && fault.action != Action::Status) {
        *error = QStringLiteral("\"afterHandling\" goes with the drop and status actions only");
        return std::nullopt;
    }
    fault.cutAfterBytes = json.value(QLatin1String("cutAfterBytes")).toInt(-1);
    if (fault.cutAfterBytes < -1 || (fault.action == Action::Cut && fault.cutAfterBytes < 0)) {
        *error = QStringLiteral("\"cutAfterBytes\" must be a count of bytes");
        return std::nullopt;
    }
    if (fault.cutAfterBytes >= 0 && fault.action != Action::Cut && fault.action != Action::Status) {
        *error = QStringLiteral("\"cutAfterBytes\" goes with the status and cut actions only");
        return std::nullopt;
    }
    return fault;
}
