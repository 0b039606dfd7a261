#include "kerlolocal.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

#include <httplib.h>

namespace {

const char controlPrefix[] = "/__control";
constexpr int startTimeoutMs = 10000;
constexpr int stopGraceMs = 5000;
// A restarted server may have to wait for its port to leave TIME_WAIT.
constexpr int rebindTimeoutMs = 10000;

// The body of a token call: no e-mail means every user.
QJsonObject emailFilter(const QString &email)
{
    if (email.isNull())
        return {};
    return {{QStringLiteral("email"), email}};
}

} // namespace

struct KerloLocal::Private
{
    bool launch();

    QProcess process;
    std::unique_ptr<QTemporaryDir> dataDir;
    Options options;
    int port = 0;
    bool exitedCleanly = false;
};

bool KerloLocal::Private::launch()
{
    QStringList arguments{QStringLiteral("--port"), QString::number(options.port),
                          QStringLiteral("--data"), dataDir->path()};
    if (!options.certificatePath.isEmpty() || !options.keyPath.isEmpty())
        arguments << QStringLiteral("--cert") << options.certificatePath << QStringLiteral("--key")
                  << options.keyPath;
    if (options.controlApi)
        arguments << QStringLiteral("--control");
    // A test that crashes or ends in exit() must not leave its server running.
    arguments << QStringLiteral("--exit-with-parent");
    arguments << options.extraArguments;

    process.setProgram(QStringLiteral(KERLO_LOCAL_PATH));
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(startTimeoutMs)) {
        qWarning("kerlo-local did not start: %s", qPrintable(process.errorString()));
        return false;
    }

    // waitFor*() block without running the caller's event loop.
    static const QRegularExpression listening(
        QStringLiteral("^kerlo-local listening on https?://127\\.0\\.0\\.1:(\\d+)$"));
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!process.canReadLine()) {
        if (process.state() == QProcess::NotRunning ||
            !process.waitForReadyRead(int(deadline.remainingTime()))) {
            if (process.state() != QProcess::NotRunning) {
                process.kill();
                process.waitForFinished();
            }
            return false;
        }
    }
    const QString line = QString::fromUtf8(process.readLine()).trimmed();
    const QRegularExpressionMatch match = listening.match(line);
    if (!match.hasMatch()) {
        qWarning("kerlo-local: unexpected first line: %s", qPrintable(line));
        process.kill();
        process.waitForFinished();
        return false;
    }
    port = match.captured(1).toInt();
    return true;
}

KerloLocal::KerloLocal()
    : d(new Private)
{}

KerloLocal::~KerloLocal()
{
    stop();
}

bool KerloLocal::start()
{
    return start(Options());
}

bool KerloLocal::start(const Options &options)
{
    stop();
    d->options = options;
    if (!d->dataDir) {
        d->dataDir.reset(new QTemporaryDir);
        if (!d->dataDir->isValid())
            return false;
    }
    return d->launch();
}

void KerloLocal::stop()
{
    if (d->process.state() == QProcess::NotRunning)
        return;
    d->process.terminate();
    d->exitedCleanly = d->process.waitForFinished(stopGraceMs) &&
                       d->process.exitStatus() == QProcess::NormalExit &&
                       d->process.exitCode() == 0;
    if (d->process.state() != QProcess::NotRunning) {
        qWarning("kerlo-local ignored SIGTERM; killing it");
        d->process.kill();
        d->process.waitForFinished();
    }
}

bool KerloLocal::restart()
{
    if (!d->dataDir)
        return false;
    stop();
    d->options.port = d->port;
    const QDeadlineTimer deadline(rebindTimeoutMs);
    while (!d->launch()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    return true;
}

bool KerloLocal::isRunning() const
{
    return d->process.state() == QProcess::Running;
}

bool KerloLocal::exitedCleanly() const
{
    return d->exitedCleanly;
}

int KerloLocal::port() const
{
    return d->port;
}

qint64 KerloLocal::processId() const
{
    return d->process.processId();
}

QString KerloLocal::dataPath() const
{
    return d->dataDir ? d->dataDir->path() : QString();
}

QUrl KerloLocal::baseUrl() const
{
    const bool tls = !d->options.certificatePath.isEmpty();
    return QUrl(QStringLiteral("%1://127.0.0.1:%2")
                    .arg(tls ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(d->port));
}

KerloLocal::Tokens KerloLocal::signInOverHttp(const QString &email, const QString &password,
                                              const std::string &userAgent,
                                              const QString &clientCredential) const
{
    httplib::Client client(baseUrl().toString().toStdString());
    const httplib::Headers headers{{"User-Agent", userAgent}};
    Tokens tokens;
    const auto key = client.Post("/api/v1/key.json", headers,
                                 ("email=" + QUrl::toPercentEncoding(email) +
                                  "&password=" + QUrl::toPercentEncoding(password))
                                     .toStdString(),
                                 "application/x-www-form-urlencoded");
    if (!key || key->status != 200)
        return tokens;
    tokens.apiKey =
        QJsonDocument::fromJson(QByteArray::fromStdString(key->body))["api_key"].toString();
    const auto token =
        client.Post("/oauth/token.json", headers,
                    ("grant_type=password&client_id=" + clientCredential +
                     "&client_secret=" + clientCredential + "&auth_token=" + tokens.apiKey)
                        .toStdString(),
                    "application/x-www-form-urlencoded");
    if (token && token->status == 200)
        tokens.accessToken =
            QJsonDocument::fromJson(QByteArray::fromStdString(token->body))["access_token"]
                .toString();
    return tokens;
}

QUrl KerloLocal::url(const QString &pathAndQuery) const
{
    QUrl result = baseUrl();
    const int query = pathAndQuery.indexOf(QLatin1Char('?'));
    result.setPath(pathAndQuery.left(query));
    if (query >= 0)
        result.setQuery(pathAndQuery.mid(query + 1));
    return result;
}

QUrl KerloLocal::apiUrl() const
{
    QUrl url = baseUrl();
    url.setPath(QStringLiteral("/api/v1"));
    return url;
}

QUrl KerloLocal::oauthUrl() const
{
    QUrl url = baseUrl();
    url.setPath(QStringLiteral("/oauth"));
    return url;
}

bool KerloLocal::forceStatus(const QString &path, int status, const QByteArray &body, int count,
                             const QString &method, const QByteArray &contentType,
                             const QMap<QByteArray, QByteArray> &headers)
{
    QJsonObject headerObject;
    for (auto it = headers.cbegin(); it != headers.cend(); ++it)
        headerObject.insert(QString::fromLatin1(it.key()), QString::fromUtf8(it.value()));
    return addFault({{QStringLiteral("path"), path},
                     {QStringLiteral("method"), method},
                     {QStringLiteral("action"), QStringLiteral("status")},
                     {QStringLiteral("count"), count},
                     {QStringLiteral("status"), status},
                     {QStringLiteral("body"), QString::fromUtf8(body)},
                     {QStringLiteral("contentType"), QString::fromLatin1(contentType)},
                     {QStringLiteral("headers"), headerObject}});
}

bool KerloLocal::delay(const QString &path, int milliseconds, int count, const QString &method)
{
    return addFault({{QStringLiteral("path"), path},
                     {QStringLiteral("method"), method},
                     {QStringLiteral("action"), QStringLiteral("delay")},
                     {QStringLiteral("count"), count},
                     {QStringLiteral("delayMs"), milliseconds}});
}

bool KerloLocal::hang(const QString &path, int count, const QString &method)
{
    return addFault({{QStringLiteral("path"), path},
                     {QStringLiteral("method"), method},
                     {QStringLiteral("action"), QStringLiteral("hang")},
                     {QStringLiteral("count"), count}});
}

bool KerloLocal::drip(const QString &path, int intervalMs, int count, const QString &method)
{
    return addFault({{QStringLiteral("path"), path},
                     {QStringLiteral("method"), method},
                     {QStringLiteral("action"), QStringLiteral("drip")},
                     {QStringLiteral("count"), count},
                     {QStringLiteral("delayMs"), intervalMs}});
}

bool KerloLocal::drop(const QString &path, int count, const QString &method)
{
    return addFault({{QStringLiteral("path"), path},
                     {QStringLiteral("method"), method},
                     {QStringLiteral("action"), QStringLiteral("drop")},
                     {QStringLiteral("count"), count}});
}

bool KerloLocal::dropAfterHandling(const QString &path, int count, const QString &method)
{
    return addFault({{QStringLiteral("path"), path},
                     {QStringLiteral("method"), method},
                     {QStringLiteral("action"), QStringLiteral("drop")},
                     {QStringLiteral("count"), count},
                     {QStringLiteral("afterHandling"), true}});
}

bool KerloLocal::replaceAnswer(const QString &path, int status, const QByteArray &body, int count,
                               const QString &method, const QByteArray &contentType)
{
    return addFault({{QStringLiteral("path"), path},
                     {QStringLiteral("method"), method},
                     {QStringLiteral("action"), QStringLiteral("status")},
                     {QStringLiteral("count"), count},
                     {QStringLiteral("status"), status},
                     {QStringLiteral("body"), QString::fromUtf8(body)},
                     {QStringLiteral("contentType"), QString::fromLatin1(contentType)},
                     {QStringLiteral("afterHandling"), true}});
}

bool KerloLocal::addFault(const QJsonObject &fault)
{
    QByteArray reply;
    const int status = control("POST", QStringLiteral("/fault"), fault, &reply);
    if (status != 200)
        qWarning("kerlo-local refused a fault (%d): %s", status, reply.constData());
    return status == 200;
}

QJsonArray KerloLocal::requests() const
{
    QByteArray reply;
    if (control("GET", QStringLiteral("/requests"), {}, &reply) != 200)
        return {};
    return QJsonDocument::fromJson(reply).object().value(QLatin1String("requests")).toArray();
}

QJsonArray KerloLocal::requestsTo(const QString &path) const
{
    // Chosen by the service: the whole log holds up to 16 MiB of bodies, twice over in JSON,
    // and tests poll this.
    QByteArray reply;
    if (path.isEmpty() || control("GET",
                                  QStringLiteral("/requests?path=") +
                                      QString::fromLatin1(QUrl::toPercentEncoding(path)),
                                  {}, &reply) != 200)
        return {};
    return QJsonDocument::fromJson(reply).object().value(QLatin1String("requests")).toArray();
}

bool KerloLocal::clearRequests()
{
    return control("DELETE", QStringLiteral("/requests")) == 200;
}

bool KerloLocal::reset()
{
    return control("POST", QStringLiteral("/reset")) == 200;
}

QJsonObject KerloLocal::createUser(const QString &email, const QString &password,
                                   const QJsonObject &fields)
{
    QJsonObject body = fields;
    body.insert(QStringLiteral("email"), email);
    body.insert(QStringLiteral("password"), password);
    QByteArray reply;
    const int status = control("POST", QStringLiteral("/users"), body, &reply);
    if (status != 200) {
        qWarning("kerlo-local refused a user (%d): %s", status, reply.constData());
        return {};
    }
    return QJsonDocument::fromJson(reply).object().value(QLatin1String("user")).toObject();
}

bool KerloLocal::expireTokens(const QString &email)
{
    return control("POST", QStringLiteral("/expire-tokens"), emailFilter(email)) == 200;
}

bool KerloLocal::revokeRefreshTokens(const QString &email)
{
    return control("POST", QStringLiteral("/revoke-refresh-tokens"), emailFilter(email)) == 200;
}

QJsonObject KerloLocal::tokens() const
{
    QByteArray reply;
    if (control("GET", QStringLiteral("/tokens"), {}, &reply) != 200)
        return {};
    return QJsonDocument::fromJson(reply).object().value(QLatin1String("tokens")).toObject();
}

QJsonObject KerloLocal::seedFile(const QString &email, const QString &path,
                                 const QByteArray &content)
{
    // The raw bytes as the body: a large file through JSON costs seconds on a busy machine.
    QByteArray reply;
    const int status = sendControl("PUT",
                                   QStringLiteral("/objects/content?email=%1&path=%2")
                                       .arg(QString::fromLatin1(QUrl::toPercentEncoding(email)),
                                            QString::fromLatin1(QUrl::toPercentEncoding(path))),
                                   content, "application/octet-stream", &reply);
    if (status != 200) {
        qWarning("kerlo-local refused a seed (%d): %s", status, reply.constData());
        return {};
    }
    return QJsonDocument::fromJson(reply).object().value(QLatin1String("object")).toObject();
}

QJsonObject KerloLocal::seedFolder(const QString &email, const QString &path)
{
    return seed({{QStringLiteral("email"), email},
                 {QStringLiteral("path"), path},
                 {QStringLiteral("folder"), true}});
}

QJsonArray KerloLocal::deleteObject(const QString &email, const QString &path)
{
    return controlResult(QStringLiteral("/objects/delete"),
                         {{QStringLiteral("email"), email}, {QStringLiteral("path"), path}},
                         "objects")
        .toArray();
}

QJsonObject KerloLocal::moveObject(const QString &email, const QString &from, const QString &to)
{
    return controlResult(QStringLiteral("/objects/move"),
                         {{QStringLiteral("email"), email},
                          {QStringLiteral("from"), from},
                          {QStringLiteral("to"), to}},
                         "object")
        .toObject();
}

QString KerloLocal::journalEntry(const QString &email, const QJsonObject &entry)
{
    return controlResult(QStringLiteral("/objects/entry"),
                         {{QStringLiteral("email"), email}, {QStringLiteral("entry"), entry}},
                         "token")
        .toString();
}

QJsonObject KerloLocal::seed(const QJsonObject &body)
{
    QByteArray reply;
    const int status = control("POST", QStringLiteral("/objects"), body, &reply);
    if (status != 200) {
        qWarning("kerlo-local refused a seed (%d): %s", status, reply.constData());
        return {};
    }
    return QJsonDocument::fromJson(reply).object().value(QLatin1String("object")).toObject();
}

QJsonObject KerloLocal::postMessageAs(const QString &email, qint64 conversationId,
                                      const QString &content)
{
    return controlResult(QStringLiteral("/messages"),
                         {{QStringLiteral("email"), email},
                          {QStringLiteral("conversation_id"), conversationId},
                          {QStringLiteral("content"), content}},
                         "message")
        .toObject();
}

QJsonArray KerloLocal::postMessagesAs(const QString &email, qint64 conversationId,
                                      const QString &content, int count)
{
    return controlResult(QStringLiteral("/messages"),
                         {{QStringLiteral("email"), email},
                          {QStringLiteral("conversation_id"), conversationId},
                          {QStringLiteral("content"), content},
                          {QStringLiteral("count"), count}},
                         "messages")
        .toArray();
}

QJsonArray KerloLocal::sendCollaborationAs(const QString &email, qint64 conversationId,
                                           const QString &path)
{
    return controlResult(QStringLiteral("/collaborations"),
                         {{QStringLiteral("email"), email},
                          {QStringLiteral("conversation_id"), conversationId},
                          {QStringLiteral("object"), path}},
                         "invites")
        .toArray();
}

QJsonObject KerloLocal::inviteContactAs(const QString &email, const QString &recipient)
{
    return controlResult(
               QStringLiteral("/contact-invitations"),
               {{QStringLiteral("email"), email}, {QStringLiteral("recipient"), recipient}},
               "invite")
        .toObject();
}

QJsonObject KerloLocal::postMessageToContactAs(const QString &email, const QString &recipient,
                                               const QString &content)
{
    return controlResult(QStringLiteral("/messages"),
                         {{QStringLiteral("email"), email},
                          {QStringLiteral("recipient"), recipient},
                          {QStringLiteral("content"), content}},
                         "message")
        .toObject();
}

QJsonArray KerloLocal::sendCollaborationToContactAs(const QString &email, const QString &recipient,
                                                    const QString &path)
{
    return controlResult(QStringLiteral("/collaborations"),
                         {{QStringLiteral("email"), email},
                          {QStringLiteral("recipient"), recipient},
                          {QStringLiteral("object"), path}},
                         "invites")
        .toArray();
}

QJsonObject KerloLocal::answerContactInvitationAs(const QString &email, const QString &sender,
                                                  bool accept)
{
    return controlResult(accept ? QStringLiteral("/contact-invitations/accept")
                                : QStringLiteral("/contact-invitations/decline"),
                         {{QStringLiteral("email"), email}, {QStringLiteral("sender"), sender}},
                         "invite")
        .toObject();
}

QJsonArray KerloLocal::contactInvitationsOf(const QString &email)
{
    return controlResult(QStringLiteral("/contact-invitations/list"),
                         {{QStringLiteral("email"), email}}, "invites")
        .toArray();
}

bool KerloLocal::setPresence(const QString &email, int onlineStatus)
{
    return control("POST", QStringLiteral("/presence"),
                   {{QStringLiteral("email"), email},
                    {QStringLiteral("online_status"), onlineStatus}}) == 200;
}

QJsonValue KerloLocal::controlResult(const QString &path, const QJsonObject &body, const char *key)
{
    QByteArray reply;
    const int status = control("POST", path, body, &reply);
    if (status != 200) {
        qWarning("kerlo-local refused %s (%d): %s", qPrintable(path), status, reply.constData());
        return QJsonValue::Undefined;
    }
    return QJsonDocument::fromJson(reply).object().value(QLatin1String(key));
}

bool KerloLocal::cutDownload(qint64 bytes, const QString &path, int count)
{
    return addTransferSwitch("cut-download", path, count, {{QStringLiteral("bytes"), bytes}});
}

bool KerloLocal::slowDownload(qint64 bytesPerSecond, const QString &path, int count)
{
    return addTransferSwitch("slow-download", path, count,
                             {{QStringLiteral("bytes"), bytesPerSecond}});
}

bool KerloLocal::ignoreRange(const QString &path, int count)
{
    return addTransferSwitch("ignore-range", path, count);
}

bool KerloLocal::omitMetadata(const QString &path, int count)
{
    return addTransferSwitch("omit-metadata", path, count);
}

bool KerloLocal::fakeMetadataHash(const QString &hash, const QString &path, int count)
{
    return addTransferSwitch("metadata-hash", path, count, {{QStringLiteral("hash"), hash}});
}

bool KerloLocal::reverseMissingChunks(const QString &path, int count)
{
    return addTransferSwitch("reverse-missing", path, count);
}

bool KerloLocal::addTransferSwitch(const char *name, const QString &path, int count,
                                   const QJsonObject &fields)
{
    QJsonObject body = fields;
    body.insert(QStringLiteral("switch"), QLatin1String(name));
    body.insert(QStringLiteral("count"), count);
    if (!path.isEmpty())
        body.insert(QStringLiteral("path"), path);
    QByteArray reply;
    const int status = control("POST", QStringLiteral("/transfer-switch"), body, &reply);
    if (status != 200)
        qWarning("kerlo-local refused a transfer switch (%d): %s", status, reply.constData());
    return status == 200;
}

QJsonObject KerloLocal::uploads() const
{
    QByteArray reply;
    if (control("GET", QStringLiteral("/uploads"), {}, &reply) != 200)
        return {};
    return QJsonDocument::fromJson(reply).object();
}

bool KerloLocal::expireUploads(const QString &token)
{
    QJsonObject body;
    if (!token.isEmpty())
        body.insert(QStringLiteral("token"), token);
    return control("POST", QStringLiteral("/uploads/expire"), body) == 200;
}

int KerloLocal::control(const QByteArray &method, const QString &path, const QJsonObject &body,
                        QByteArray *reply) const
{
    return sendControl(method, path, QJsonDocument(body).toJson(QJsonDocument::Compact),
                       "application/json", reply);
}

int KerloLocal::sendControl(const QByteArray &method, const QString &path, const QByteArray &body,
                            const char *contentType, QByteArray *reply) const
{
    if (!isRunning())
        return 0;
    // The control channel needs no certificate checks, even when the API is served over TLS.
    httplib::Client client(baseUrl().toString(QUrl::FullyEncoded).toStdString());
    client.enable_server_certificate_verification(false);
    client.set_connection_timeout(5);
    client.set_read_timeout(60);

    const std::string target =
        controlPrefix +
        (path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path).toUtf8().toStdString();
    const std::string payload = body.toStdString();

    const httplib::Result result = [&] {
        if (method == "GET")
            return client.Get(target.c_str());
        if (method == "POST")
            return client.Post(target.c_str(), payload, contentType);
        if (method == "PUT")
            return client.Put(target.c_str(), payload, contentType);
        if (method == "DELETE")
            return client.Delete(target.c_str(), payload, contentType);
        return httplib::Result(nullptr, httplib::Error::Unknown);
    }();
    if (!result)
        return 0;
    if (reply)
        *reply = QByteArray::fromStdString(result->body);
    return result->status;
}
