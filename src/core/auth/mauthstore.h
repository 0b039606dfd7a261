#ifndef MAUTHSTORE_H
#define MAUTHSTORE_H

#include <QVariantMap>

// Where the sign-in credentials live between runs. The core holds no store of its own: the
// application installs the platform's store at start-up.
class MAuthStore
{
public:
    MAuthStore() = default;
    // Uninstalls the store when it is the installed one.
    virtual ~MAuthStore();

    // Replaces the stored credentials with the given map.
    virtual void storeAuthInfo(const QVariantMap &info) = 0;
    // The stored credentials; empty when nothing is stored or they cannot be read.
    virtual QVariantMap authInfo() = 0;
    virtual void clear() = 0;

    // The installed store; null when none is installed, which callers treat as "nothing
    // stored". Safe from any thread.
    static MAuthStore *instance();
    // Installs store (null uninstalls); the caller keeps ownership.
    static void setInstance(MAuthStore *store);

private:
    Q_DISABLE_COPY(MAuthStore)
};

#endif // MAUTHSTORE_H
