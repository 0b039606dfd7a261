#include "signedincore.h"

#include "muserauthmanager.h"
#include "testcore.h"
#include "tolvoappimpl.h"

#include <QSignalSpy>

SignedInCore::~SignedInCore()
{
    if (m_storeInstalled)
        MAuthStore::setInstance(nullptr);
}

bool SignedInCore::start()
{
    if (!m_server.start()) {
        qWarning("kerlo-local did not start");
        return false;
    }
    return startCore(m_server.baseUrl(), TestCore::supportPath());
}

bool SignedInCore::startCore(const QUrl &serviceUrl, const QString &supportPath)
{
    MAuthStore::setInstance(&m_store);
    m_storeInstalled = true;
    TestCore::initCore(serviceUrl, supportPath);
    TolvoApp::instance()->setConnectivityStatus(TolvoApp::Online);
    return auth() != nullptr;
}

MUserAuthManager *SignedInCore::auth() const
{
    return TolvoApp::instance()->authManager();
}

bool SignedInCore::signIn(const QString &email, const QString &password)
{
    if (auth()->isAuthenticated() && !signOut())
        return false;
    QSignalSpy signedIn(auth(), &MUserAuthManager::authorizationSuccess);
    auth()->authenticateUser(email, password);
    // Generous: a sign-in is two requests, and a loaded machine under the sanitizers is slow.
    if (signedIn.count() == 0 && !signedIn.wait(30000)) {
        qWarning("no authorization for %s", qPrintable(email));
        return false;
    }
    return true;
}

bool SignedInCore::signOut()
{
    QSignalSpy signedOut(auth(), &MUserAuthManager::logoutPerformed);
    // What reset() reports when nobody was signed in.
    QSignalSpy alreadyOut(auth(), &MUserAuthManager::needAuthenticationDetails);
    auth()->reset();
    return signedOut.count() > 0 || alreadyOut.count() > 0 || signedOut.wait(30000);
}
