#include "logcapture.h"

#include <QJsonArray>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QUrl>

namespace {

QMutex capturedMutex;
QStringList captured;
QtMessageHandler previousHandler = nullptr;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker locker(&capturedMutex);
        captured.append(message);
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

namespace LogCapture {

void install()
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=true"));
    previousHandler = qInstallMessageHandler(capture);
}

QStringList messages()
{
    QMutexLocker locker(&capturedMutex);
    return captured;
}

QStringList leakedSecrets(const QJsonObject &issuedTokens, const QStringList &secrets)
{
    QStringList candidates;
    for (const QString &secret : secrets)
        candidates << secret << QString::fromLatin1(QUrl::toPercentEncoding(secret));
    for (const QJsonValue &user : issuedTokens) {
        const QJsonObject tokens = user.toObject();
        candidates << tokens.value(QLatin1String("api_key")).toString();
        for (const char *kind : {"access_tokens", "refresh_tokens"}) {
            for (const QJsonValue &token : tokens.value(QLatin1String(kind)).toArray())
                candidates << token.toString();
        }
    }
    const QString log = messages().join(QLatin1Char('\n'));
    QStringList leaked;
    for (const QString &secret : qAsConst(candidates)) {
        if (!secret.isEmpty() && log.contains(secret) && !leaked.contains(secret))
            leaked << secret;
    }
    return leaked;
}

} // namespace LogCapture
