#ifndef SIGNEDINCORE_H
#define SIGNEDINCORE_H

#include "kerlolocal.h"
#include "memoryauthstore.h"
#include "testdata.h"

#include <QString>
#include <QUrl>

class MUserAuthManager;

// The process's core against a kerlo-local of its own, online, keeping credentials in memory:
// what the core suites start from. Call start() and signIn() from initTestCase(); the
// destructor takes the store away from the core again, which outlives the test object.
class SignedInCore
{
public:
    SignedInCore() = default;
    ~SignedInCore();
    SignedInCore(const SignedInCore &) = delete;
    SignedInCore &operator=(const SignedInCore &) = delete;

    // Starts kerlo-local, then the core on the process's support folder (see startCore()).
    bool start();
    // Installs the store and starts the core against serviceUrl (the URL without "/api/v1")
    // on supportPath, online; for a child process whose service a parent started.
    bool startCore(const QUrl &serviceUrl, const QString &supportPath);

    // Signs in, signing whoever is signed in out first; true once authorised.
    bool signIn(const QString &email = TestData::demoEmail,
                const QString &password = TestData::demoPassword);
    // Resets the auth manager (also after a refused refresh); true once it has answered.
    bool signOut();

    KerloLocal &server() { return m_server; }
    MemoryAuthStore &store() { return m_store; }
    MUserAuthManager *auth() const;

private:
    KerloLocal m_server;
    MemoryAuthStore m_store;
    bool m_storeInstalled = false;
};

#endif // SIGNEDINCORE_H
