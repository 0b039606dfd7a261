#ifndef MOUSERAUTHENTICATIONMANAGERDELEGATE_H
#define MOUSERAUTHENTICATIONMANAGERDELEGATE_H

#include <QString>

class MOError;
class MOUserAuthenticationManager;

// What the authentication facade tells the interface about signing in. Each call comes on the
// main thread, after the facade's username() and isAuthorized() have been brought up to date.
class MOUserAuthenticationManagerDelegate
{
public:
    virtual ~MOUserAuthenticationManagerDelegate() = default;

    // authManager:didAuthenticateSuccessfully: the user name and password were accepted;
    // authorising the client follows.
    virtual void authManagerDidAuthenticateSuccessfully(MOUserAuthenticationManager *manager,
                                                        const QString &user) = 0;
    // authManager:didAuthorizeClientSuccessfully: the session can start.
    virtual void authManagerDidAuthorizeClientSuccessfully(MOUserAuthenticationManager *manager,
                                                           const QString &user) = 0;
    // authManager:didFailAuthenticatingUser:withError: the sign-in was refused or could not
    // reach the service. The error is in MOAuthenticationErrorDomain with code 403, the
    // messages under "MOUserAuthenticationErrors" and the service's HTTP status (0: no answer)
    // under "MOUserAuthenticationStatusCode".
    virtual void authManagerDidFailAuthenticatingUserWithError(MOUserAuthenticationManager *manager,
                                                               const QString &user,
                                                               const MOError &error) = 0;
    // authManager:didFailAuthorizingClient:withError: renewing the session was refused.
    virtual void authManagerDidFailAuthorizingClientWithError(MOUserAuthenticationManager *manager,
                                                              const QString &user,
                                                              const MOError &error) = 0;
    // authManagerRequiresAuthentication: no stored credentials; ask for them.
    virtual void authManagerRequiresAuthentication(MOUserAuthenticationManager *manager) = 0;
    // authManagerLogoutPerformed: the credentials were cleared.
    virtual void authManagerLogoutPerformed(MOUserAuthenticationManager *manager) = 0;
};

#endif // MOUSERAUTHENTICATIONMANAGERDELEGATE_H
