#include "testcore.h"

#include "tolvoapp.h"
#include "tolvoappimpl.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

namespace TestCore {

void configureCore(const QUrl &serviceUrl)
{
    TolvoApp *app = TolvoApp::instance();
    app->setMainIdentifier(QStringLiteral("com.kerloapp.lumarin.tests"));
    app->setApplicationString(QStringLiteral("com.kerloapp.lumarin.tests - 0.1 (1)"));
    QUrl api = serviceUrl;
    api.setPath(serviceUrl.path() + QStringLiteral("/api/v1"));
    QUrl oauth = serviceUrl;
    oauth.setPath(serviceUrl.path() + QStringLiteral("/oauth"));
    app->setBaseAPIURL(api);
    app->setAuthorizationURL(oauth);
    app->setOAuth2ClientID(QString(64, QLatin1Char('a')));
    app->setOAuth2ClientSecret(QString(64, QLatin1Char('b')));
}

QString supportPath()
{
    static QTemporaryDir folder;
    return folder.path();
}

void initCore(const QUrl &serviceUrl, const QString &supportPath)
{
    configureCore(serviceUrl);
    TolvoApp::instance()->setSupportPath(supportPath);
    TolvoApp::instance()->init();
}

} // namespace TestCore
