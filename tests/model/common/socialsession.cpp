#include "socialsession.h"

#include "mconversation.h"
#include "mnetworkrequestmanager.h"
#include "modeltestapplication.h"
#include "tolvo.h"
#include "tolvoappimpl.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace SocialSession {

const QString otherPassword = QStringLiteral("other-secret-1");

QString start(KerloLocal *server, const QStringList &others)
{
    if (!server->start())
        return QStringLiteral("kerlo-local did not start");
    for (const QString &email : others) {
        if (server->createUser(email, otherPassword).isEmpty())
            return QStringLiteral("user %1 was not made").arg(email);
    }
    ModelTest::useTemporaryDataLocation();
    if (!ModelTest::startApplication(*server, nullptr))
        return QStringLiteral("the model layer did not start");
    return signIn(demoEmail, demoPassword);
}

QString signIn(const QString &email, const QString &password)
{
    return ModelTest::signIn(email, password);
}

MConversation conversationWith(const QString &email)
{
    bool ok = false;
    const MNetworkRequest request = TolvoApp::instance()->createActionRequest(
        QVariantMap{{QStringLiteral("users"), QStringList{email}},
                    {QStringLiteral("name"), QString()}},
        Tolvo::StartConversation, QVariant(), &ok);
    if (!ok)
        return MConversation();
    const MNetworkReply reply =
        TolvoApp::instance()->networkRequestManager()->sendSynchronousRequest(request, 10);
    if (reply.statusCode() != 200)
        return MConversation();
    return MConversation(QJsonDocument::fromJson(reply.body())
                             .object()
                             .value(QStringLiteral("conversation"))
                             .toObject()
                             .toVariantMap());
}

} // namespace SocialSession
