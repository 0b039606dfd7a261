#ifndef _AUTHMANAGERBRIDGE_H
#define _AUTHMANAGERBRIDGE_H

#include "muserauthmanager.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class MOUserAuthenticationManager;

// Carries the core sign-in manager's signals to the authentication facade, on the main thread.
class _AuthManagerBridge : public QObject
{
    Q_OBJECT
public:
    explicit _AuthManagerBridge(MOUserAuthenticationManager *facade);

    // Connects to the core's sign-in manager once it exists; false while it does not.
    bool connectToCore();

public slots:
    void slotAuthenticationSuccess(const QString &user);
    void slotAuthorizationSuccess(const QString &user);
    void slotAuthorizationFailure(const QString &user, const QStringList &errors);
    void slotAuthenticationFailure(const QString &user, const QList<QString> &errors,
                                   int statusCode);
    void slotAuthenticationRequired();
    void slotLogoutPerformed();
    void slotAccountSizesChanged();
    void slotAccountReloaded(bool reloaded);

private:
    MOUserAuthenticationManager *m_facade;
    QPointer<MUserAuthManager> m_core;
};

#endif // _AUTHMANAGERBRIDGE_H
