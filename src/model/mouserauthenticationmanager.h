#ifndef MOUSERAUTHENTICATIONMANAGER_H
#define MOUSERAUTHENTICATIONMANAGER_H

#include <QObject>
#include <QScopedPointer>
#include <QString>

#include <functional>

#include "mouseraccount.h"
#include "mouserauthenticationmanagerdelegate.h"

class MOUserAuthenticationManagerPrivate;

// The interface's door to signing in: sign in, reload the stored session, sign out. Outcomes
// reach the delegate; a change of the account's sizes is posted as
// "MOUserAccountSizesChangedNotification" on the default centre. Main thread only.
class MOUserAuthenticationManager : public QObject
{
    Q_OBJECT
public:
    ~MOUserAuthenticationManager() override;

    static MOUserAuthenticationManager *sharedInstance();
    // The service's HTTP status a sign-in failure holds: 401 for a refused password, 0 when no
    // answer came; 401 for a failure that holds none.
    static int failureStatus(const MOError &error);

    void authenticateUser(const QString &user, const QString &password);
    // Starts from the stored credentials, or asks the delegate for new ones.
    void reload();
    // Signs out, or asks the delegate for credentials when nobody is signed in.
    void reset();

    // The API key is accepted (asked of the core on every call).
    bool isAuthenticated() const;
    // A new object for the signed-in user's account on every call.
    MOUserAccount account() const;
    // Asks the service for the account again; completion runs on the main thread with
    // whether it answered, account() then holding what it said. Calls made while one is out
    // share its answer.
    void reloadAccount(std::function<void(bool reloaded)> completion);

    // Why the keyring did not keep the credentials of the last sign-in or token refresh, in
    // words for the user; empty when they were kept.
    QString credentialsNotKeptReason() const;

    // The user of the last sign-in or authorisation outcome.
    QString username() const;
    void setUsername(const QString &username);
    // Set by the authorisation outcomes; sign-out leaves it alone.
    bool isAuthorized() const;
    void setIsAuthorized(bool authorized);

    MOUserAuthenticationManagerDelegate *delegate() const;
    // Not owned; a delegate that is a QObject is forgotten when it is destroyed.
    void setDelegate(MOUserAuthenticationManagerDelegate *delegate);

private:
    MOUserAuthenticationManager();
    template<class T> friend class MOSingleton;
    friend class _AuthManagerBridge;
    Q_DECLARE_PRIVATE(MOUserAuthenticationManager)
    QScopedPointer<MOUserAuthenticationManagerPrivate> d_ptr;
};

#endif // MOUSERAUTHENTICATIONMANAGER_H
