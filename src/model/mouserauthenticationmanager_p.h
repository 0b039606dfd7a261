#ifndef MOUSERAUTHENTICATIONMANAGER_P_H
#define MOUSERAUTHENTICATIONMANAGER_P_H

#include "_authmanagerbridge.h"
#include "modelegatepointer.h"
#include "mouserauthenticationmanager.h"

#include <QList>
#include <QScopedPointer>

#include <functional>

class MUserAuthManager;

class MOUserAuthenticationManagerPrivate
{
public:
    explicit MOUserAuthenticationManagerPrivate(MOUserAuthenticationManager *q);

    // The core's sign-in manager, connected to the bridge; null (with a warning) before the
    // core has been initialised.
    MUserAuthManager *core() const;

    QScopedPointer<_AuthManagerBridge> bridge;
    QString username;
    bool authorized = false;
    QList<std::function<void(bool)>> accountReloads; // waiting for the service's answer
    MODelegatePointer<MOUserAuthenticationManagerDelegate> delegate;
};

#endif // MOUSERAUTHENTICATIONMANAGER_P_H
