#include "servicereader.h"

#include "testdata.h"

#include <QJsonDocument>
#include <QUrl>

#include <httplib.h>

namespace ShellTest {

namespace {

const std::string ReaderAgent = "os: Debian GNU/Linux 12 (bookworm); name: checker; uuid: "
                                "00000000000000000000000000000042;";

httplib::Headers headersFor(const KerloLocal::Tokens &tokens)
{
    return {{"Authorization", "Bearer " + tokens.accessToken.toStdString()},
            {"M-Auth-Token", tokens.apiKey.toStdString()},
            {"User-Agent", ReaderAgent}};
}

} // namespace

bool ServiceReader::signIn(const KerloLocal &server, const QString &email, const QString &password)
{
    m_server = &server;
    m_tokens = server.signInOverHttp(email, password, ReaderAgent, TestData::clientCredential);
    return !m_tokens.accessToken.isEmpty();
}

int ServiceReader::post(const QString &path, const QJsonObject &body, QJsonObject *reply) const
{
    if (!m_server)
        return 0;
    httplib::Client client(m_server->baseUrl().toString().toStdString());
    const auto answer = client.Post(
        ("/api/v1" + QUrl::toPercentEncoding(path, "/")).toStdString(), headersFor(m_tokens),
        QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(), "application/json");
    if (!answer)
        return 0;
    if (reply)
        *reply = QJsonDocument::fromJson(QByteArray::fromStdString(answer->body)).object();
    return answer->status;
}

QByteArray ServiceReader::remoteBytes(const QString &path) const
{
    if (!m_server)
        return QByteArray();
    httplib::Client client(m_server->baseUrl().toString().toStdString());
    const httplib::Headers headers = headersFor(m_tokens);
    const auto reply =
        client.Get(("/api/v1/object" + QUrl::toPercentEncoding(path, "/")).toStdString(), headers);
    if (!reply || reply->status != 200)
        return QByteArray();
    return QByteArray::fromStdString(reply->body);
}

QByteArray ServiceReader::get(const QString &path) const
{
    if (!m_server)
        return QByteArray();
    httplib::Client client(m_server->baseUrl().toString().toStdString());
    const auto reply = client.Get(("/api/v1" + path).toStdString(), headersFor(m_tokens));
    if (!reply || reply->status != 200)
        return QByteArray();
    return QByteArray::fromStdString(reply->body);
}

bool ServiceReader::postAvatar(const QByteArray &png) const
{
    if (!m_server)
        return false;
    httplib::Client client(m_server->baseUrl().toString().toStdString());
    httplib::Headers headers = headersFor(m_tokens);
    headers.emplace("x-kerlo-avatar-filename", "picture.png");
    const auto reply =
        client.Post("/api/v1/users/avatar", headers, png.toStdString(), "image/png");
    return reply && reply->status == 200;
}

} // namespace ShellTest
