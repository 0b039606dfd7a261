#include "mouserauthenticationmanager.h"

#include "mmacauthstore.h"
#include "moconstants.h"
#include "mocorevalues_p.h"
#include "moerror.h"
#include "mologging_p.h"
#include "mosingleton_p.h"
#include "mouserauthenticationmanager_p.h"
#include "muserauthmanager.h"
#include "tolvoappimpl.h"

MOUserAuthenticationManagerPrivate::MOUserAuthenticationManagerPrivate(
    MOUserAuthenticationManager *q)
    : bridge(new _AuthManagerBridge(q))
{}

MUserAuthManager *MOUserAuthenticationManagerPrivate::core() const
{
    // Made before the core was initialised, the facade connects on its first call instead of
    // staying deaf for good.
    if (!bridge->connectToCore()) {
        qCWarning(lcModel) << "MOUserAuthenticationManager: the core is not initialised yet";
        return nullptr;
    }
    return TolvoApp::instance()->authManager();
}

MOUserAuthenticationManager::MOUserAuthenticationManager()
    : d_ptr(new MOUserAuthenticationManagerPrivate(this))
{
    d_ptr->core();
}

MOUserAuthenticationManager::~MOUserAuthenticationManager() = default;

int MOUserAuthenticationManager::failureStatus(const MOError &error)
{
    return error.userInfo().value(MOUserAuthenticationStatusCode, 401).toInt();
}

MOUserAuthenticationManager *MOUserAuthenticationManager::sharedInstance()
{
    return MOSingleton<MOUserAuthenticationManager>::instance();
}

void MOUserAuthenticationManager::authenticateUser(const QString &user, const QString &password)
{
    if (MUserAuthManager *core = d_func()->core())
        core->authenticateUser(user, password);
}

void MOUserAuthenticationManager::reload()
{
    if (MUserAuthManager *core = d_func()->core())
        core->reload();
}

void MOUserAuthenticationManager::reset()
{
    if (MUserAuthManager *core = d_func()->core())
        core->reset();
}

bool MOUserAuthenticationManager::isAuthenticated() const
{
    MUserAuthManager *core = d_func()->core();
    return core && core->isAuthenticated();
}

MOUserAccount MOUserAuthenticationManager::account() const
{
    MUserAuthManager *core = d_func()->core();
    return core ? MOCoreValues::userAccountWithCXXUserAccount(core->account()) : MOUserAccount();
}

void MOUserAuthenticationManager::reloadAccount(std::function<void(bool reloaded)> completion)
{
    Q_D(MOUserAuthenticationManager);
    MUserAuthManager *core = d->core();
    if (!core) {
        QMetaObject::invokeMethod(
            this, [completion] { completion(false); }, Qt::QueuedConnection);
        return;
    }
    d->accountReloads.append(std::move(completion));
    if (d->accountReloads.size() == 1)
        core->reloadAccount();
}

QString MOUserAuthenticationManager::credentialsNotKeptReason() const
{
    const auto *store = dynamic_cast<const MMacAuthStore *>(MAuthStore::instance());
    return store ? store->storeFailure() : QString();
}

QString MOUserAuthenticationManager::username() const
{
    return d_func()->username;
}

void MOUserAuthenticationManager::setUsername(const QString &username)
{
    d_func()->username = username;
}

bool MOUserAuthenticationManager::isAuthorized() const
{
    return d_func()->authorized;
}

void MOUserAuthenticationManager::setIsAuthorized(bool authorized)
{
    d_func()->authorized = authorized;
}

MOUserAuthenticationManagerDelegate *MOUserAuthenticationManager::delegate() const
{
    return d_func()->delegate.get();
}

void MOUserAuthenticationManager::setDelegate(MOUserAuthenticationManagerDelegate *delegate)
{
    d_func()->delegate.set(delegate);
}
