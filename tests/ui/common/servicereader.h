#ifndef SERVICEREADER_H
#define SERVICEREADER_H

#include "kerlolocal.h"
#include "shelltestfixture.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace ShellTest {

// The test's own device beside the shell: signed in to kerlo-local over HTTP, it reads what the
// service holds without going through the shell.
class ServiceReader
{
public:
    // The server must outlive the reader.
    bool signIn(const KerloLocal &server, const QString &email = QString::fromLatin1(DemoEmail),
                const QString &password = QString::fromLatin1(DemoPassword));

    // The remote file's bytes as the service hands them out; null when it has none.
    QByteArray remoteBytes(const QString &path) const;
    // A POST of body to the API path (below "/api/v1"); the reply's status, 0 when none came.
    int post(const QString &path, const QJsonObject &body, QJsonObject *reply = nullptr) const;
    // A signed GET under /api/v1 (path "/me.json"); empty when it is not answered with 200.
    QByteArray get(const QString &path) const;
    // Uploads a PNG as the signed-in user's picture; true on 200.
    bool postAvatar(const QByteArray &png) const;

private:
    const KerloLocal *m_server = nullptr;
    KerloLocal::Tokens m_tokens;
};

} // namespace ShellTest

#endif // SERVICEREADER_H
