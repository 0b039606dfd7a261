#ifndef MMACAUTHSTORE_H
#define MMACAUTHSTORE_H

#include "mauthstore.h"

#include <QScopedPointer>
#include <QString>

class MMacAuthStorePrivate;

// The credentials in the user's keyring, through the Secret Service: one item per application
// and service root, found by its service and root attributes; its account attribute is the
// user name and its secret the map as an XML property list. A launch against another root
// finds nothing, so credentials only ever go back to the service that granted them. The
// password is never stored. Without a reachable keyring nothing is stored (there is no
// fallback) and the failure is logged and kept for storeFailure().
class MMacAuthStore : public MAuthStore
{
public:
    // The service is the core application's main identifier and the root its base API URL,
    // both read at each call.
    MMacAuthStore();
    explicit MMacAuthStore(const QString &service, const QString &root = QString());
    ~MMacAuthStore() override;

    void storeAuthInfo(const QVariantMap &info) override;
    QVariantMap authInfo() override;
    void clear() override;

    // Why the last store kept nothing, in words for the user; empty after a store that
    // succeeded.
    QString storeFailure() const;

    // The base API URL of the service the program is built for, normalised as roots are
    // stored. Items written before roots were recorded belong to it.
    static QString builtInRoot();
    // url as a root attribute: scheme, host and port explicit, no trailing slash.
    static QString rootOf(const QUrl &url);

private:
    Q_DECLARE_PRIVATE(MMacAuthStore)
    QScopedPointer<MMacAuthStorePrivate> d_ptr;
};

#endif // MMACAUTHSTORE_H
