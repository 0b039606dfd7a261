#include "servicereader.h"

#include "testdata.h"

#include <httplib.h>

namespace ShellTest {

namespace {

const std::string ReaderAgent = "os: Debian GNU/Linux 12 (bookworm); name: checker; uuid: "
                                "00000000000000000000000000000042;";

} // namespace

bool ServiceReader::signIn(const KerloLocal &server, const QString &email, const QString &password)
{
    m_server = &server;
    m_tokens = server.signInOverHttp(email, password, ReaderAgent, TestData::clientCredential);
    return !m_tokens.accessToken.isEmpty();
}

QByteArray ServiceReader::remoteBytes(const QString &path) const
{
    if (!m_server)
        return QByteArray();
    return get(QStringLiteral("/object") + QString::fromLatin1(QUrl::toPercentEncoding(path, "/")));
}

httplib::Headers ServiceReader::headers() const
{
    return {{"Authorization", "Bearer " + m_tokens.accessToken.toStdString()},
            {"M-Auth-Token", m_tokens.apiKey.toStdString()},
            {"User-Agent", ReaderAgent}};
}

QByteArray ServiceReader::get(const QString &path) const
{
    if (!m_server)
        return QByteArray();
    httplib::Client client(m_server->baseUrl().toString().toStdString());
    const auto reply = client.Get(("/api/v1" + path).toStdString(), headers());
    if (!reply || reply->status != 200)
        return QByteArray();
    return QByteArray::fromStdString(reply->body);
}

bool ServiceReader::postAvatar(const QByteArray &png) const
{
    if (!m_server)
        return false;
    httplib::Client client(m_server->baseUrl().toString().toStdString());
    httplib::Headers signedHeaders = headers();
    signedHeaders.emplace("x-kerlo-avatar-filename", "picture.png");
    const auto reply =
        client.Post("/api/v1/users/avatar", signedHeaders, png.toStdString(), "image/png");
    return reply && reply->status == 200;
}

} // namespace ShellTest
