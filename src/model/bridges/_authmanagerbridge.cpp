#include "_authmanagerbridge.h"

#include "moconstants.h"
#include "moerror.h"
#include "momainthread_p.h"
#include "monotificationcenter.h"
#include "mouserauthenticationmanager.h"
#include "mouserauthenticationmanager_p.h"
#include "muserauthmanager.h"
#include "tolvoappimpl.h"

#include <QCoreApplication>
#include <QThread>

#include <utility>

namespace {

MOError authenticationError(const QStringList &errors, QVariantMap userInfo = {})
{
    userInfo.insert(MOUserAuthenticationErrors, errors);
    return MOError(MOAuthenticationErrorDomain, 403, userInfo);
}

} // namespace

_AuthManagerBridge::_AuthManagerBridge(MOUserAuthenticationManager *facade)
    : m_facade(facade)
{}

bool _AuthManagerBridge::connectToCore()
{
    if (m_core)
        return true;
    TolvoApp *app = TolvoApp::instance();
    MUserAuthManager *core = app && app->isInitialized() ? app->authManager() : nullptr;
    if (!core)
        return false;
    m_core = core;
    connect(core, &MUserAuthManager::authenticationSuccess, this,
            &_AuthManagerBridge::slotAuthenticationSuccess);
    connect(core, &MUserAuthManager::authenticationFailure, this,
            &_AuthManagerBridge::slotAuthenticationFailure);
    connect(core, &MUserAuthManager::logoutPerformed, this,
            &_AuthManagerBridge::slotLogoutPerformed);
    connect(core, &MUserAuthManager::needAuthenticationDetails, this,
            &_AuthManagerBridge::slotAuthenticationRequired);
    connect(core, &MUserAuthManager::authorizationSuccess, this,
            &_AuthManagerBridge::slotAuthorizationSuccess);
    connect(core, &MUserAuthManager::authorizationFailed, this,
            &_AuthManagerBridge::slotAuthorizationFailure);
    connect(core, &MUserAuthManager::accountSizesChanged, this,
            &_AuthManagerBridge::slotAccountSizesChanged);
    connect(core, &MUserAuthManager::accountReloaded, this,
            &_AuthManagerBridge::slotAccountReloaded);
    return true;
}

void _AuthManagerBridge::slotAuthenticationSuccess(const QString &user)
{
    assertMainThread();
    m_facade->setUsername(user);
    if (auto *delegate = m_facade->delegate())
        delegate->authManagerDidAuthenticateSuccessfully(m_facade, user);
}

void _AuthManagerBridge::slotAuthorizationSuccess(const QString &user)
{
    assertMainThread();
    m_facade->setIsAuthorized(true);
    m_facade->setUsername(user);
    if (auto *delegate = m_facade->delegate())
        delegate->authManagerDidAuthorizeClientSuccessfully(m_facade, user);
}

void _AuthManagerBridge::slotAuthorizationFailure(const QString &user, const QStringList &errors)
{
    assertMainThread();
    m_facade->setIsAuthorized(false);
    m_facade->setUsername(user);
    if (auto *delegate = m_facade->delegate())
        delegate->authManagerDidFailAuthorizingClientWithError(m_facade, user,
                                                               authenticationError(errors));
}

void _AuthManagerBridge::slotAuthenticationFailure(const QString &user,
                                                   const QList<QString> &errors, int statusCode)
{
    assertMainThread();
    m_facade->setUsername(user);
    if (auto *delegate = m_facade->delegate())
        delegate->authManagerDidFailAuthenticatingUserWithError(
            m_facade, user,
            authenticationError(errors, {{MOUserAuthenticationStatusCode, statusCode}}));
}

void _AuthManagerBridge::slotAuthenticationRequired()
{
    assertMainThread();
    if (auto *delegate = m_facade->delegate())
        delegate->authManagerRequiresAuthentication(m_facade);
}

void _AuthManagerBridge::slotLogoutPerformed()
{
    assertMainThread();
    if (auto *delegate = m_facade->delegate())
        delegate->authManagerLogoutPerformed(m_facade);
}

void _AuthManagerBridge::slotAccountSizesChanged()
{
    assertMainThread();
    MONotificationCenter::defaultCenter()->postNotificationName(
        MOUserAccountSizesChangedNotification, m_facade);
}

void _AuthManagerBridge::slotAccountReloaded(bool reloaded)
{
    assertMainThread();
    // Every caller waiting when the answer came hears it; later callers wait for the next.
    const QList<std::function<void(bool)>> waiting =
        std::exchange(m_facade->d_func()->accountReloads, {});
    for (const std::function<void(bool)> &completion : waiting)
        completion(reloaded);
}
