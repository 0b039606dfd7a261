#ifndef MMACAUTHSTORE_H
#define MMACAUTHSTORE_H

#include "mauthstore.h"

#include <QScopedPointer>
#include <QString>

class MMacAuthStorePrivate;

// The credentials in the user's keyring, through the Secret Service: one item per application,
// found by its service attribute; its account attribute is the user name and its secret the
// map as an XML property list. The password is never stored. Without a reachable, unlocked
// keyring nothing is stored (there is no fallback) and the failure is logged.
class MMacAuthStore : public MAuthStore
{
public:
    // The service is the core application's main identifier, read at each call.
    MMacAuthStore();
    explicit MMacAuthStore(const QString &service);
    ~MMacAuthStore() override;

    void storeAuthInfo(const QVariantMap &info) override;
    QVariantMap authInfo() override;
    void clear() override;

private:
    Q_DECLARE_PRIVATE(MMacAuthStore)
    QScopedPointer<MMacAuthStorePrivate> d_ptr;
};

#endif // MMACAUTHSTORE_H
