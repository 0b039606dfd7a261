// GLib's headers use the identifier "signals", which Qt defines as a macro: they come first.
#include <libsecret/secret.h>

#include "mmacauthstore.h"
#include "mologging_p.h"

#include "mxmlpropertylist.h"
#include "tolvoappimpl.h"

#include <QCoreApplication>
#include <QUrl>

#include <utility>

namespace {

const char UsernameKey[] = "MUsername";
const char PasswordKey[] = "MAuthPassword";
const char RootAttribute[] = "root";

const SecretSchema *credentialsSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema value{};
        value.name = "com.kerloapp.lumarin.Credentials";
        value.flags = SECRET_SCHEMA_NONE;
        value.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        value.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        value.attributes[2] = {RootAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING};
        return value;
    }();
    return &schema;
}

const char *reason(const GError *error)
{
    return error ? error->message : "unknown error";
}

// Words for the user.
QString words(const char *text)
{
    return QCoreApplication::translate("MMacAuthStore", text);
}

QString reasonText(const GError *error)
{
    return QString::fromUtf8(reason(error));
}

// The process's connection to the Secret Service (libsecret keeps one); null, with the reason
// in *error, when there is none.
SecretService *connectSecretService(GError **error)
{
    SecretService *service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, error);
    if (!service)
        qCWarning(lcModel, "MMacAuthStore: cannot reach the Secret Service: %s", reason(*error));
    return service;
}

bool hasRoot(SecretItem *item)
{
    g_autoptr(GHashTable) attributes = secret_item_get_attributes(item);
    return g_hash_table_contains(attributes, RootAttribute);
}

} // namespace

class MMacAuthStorePrivate
{
public:
    QByteArray serviceName() const;
    QByteArray rootName() const;
    // This application's items for this root in *items; false, with the reason logged and in
    // *failure when given, when the keyring cannot be searched.
    bool findItems(SecretSearchFlags flags, GList **items, QString *failure = nullptr) const;
    // The default collection, unlocked; created through the Secret Service when there is
    // none, as the desktop's own programs do. Null, with the reason in *failure, when the
    // keyring refuses.
    SecretCollection *defaultCollection(SecretService *secretService, QString *failure) const;

    QString service; // empty: the main identifier
    QString root;    // empty: the base API URL
    QString storeFailure;
};

QByteArray MMacAuthStorePrivate::serviceName() const
{
    if (!service.isEmpty())
        return service.toUtf8();
    const TolvoApp *app = TolvoApp::instance();
    return app ? app->mainIdentifier().toUtf8() : QByteArray();
}

QByteArray MMacAuthStorePrivate::rootName() const
{
    if (!root.isEmpty())
        return root.toUtf8();
    const TolvoApp *app = TolvoApp::instance();
    return app ? MMacAuthStore::rootOf(app->baseAPIURL()).toUtf8() : QByteArray();
}

bool MMacAuthStorePrivate::findItems(SecretSearchFlags flags, GList **items, QString *failure) const
{
    const QByteArray name = serviceName();
    const QByteArray rootValue = rootName();
    if (name.isEmpty() || rootValue.isEmpty()) {
        qCWarning(lcModel, "MMacAuthStore: no main identifier or service root; the keyring is "
                           "not used.");
        if (failure)
            *failure = words("The program has no name.");
        return false;
    }
    g_autoptr(GError) error = nullptr;
    g_autoptr(SecretService) secretService = connectSecretService(&error);
    if (!secretService) {
        if (failure)
            *failure = words("No keyring is running (%1).").arg(reasonText(error));
        return false;
    }
    g_autoptr(GHashTable) lookup =
        secret_attributes_build(credentialsSchema(), "service", name.constData(), RootAttribute,
                                rootValue.constData(), nullptr);
    *items = secret_service_search_sync(secretService, credentialsSchema(), lookup, flags, nullptr,
                                        &error);
    if (!error && !*items && rootValue == MMacAuthStore::builtInRoot().toUtf8()) {
        // Items written before roots were recorded were made against the built-in service:
        // only it may use them. Storing gives the item its root.
        g_autoptr(GHashTable) legacyLookup =
            secret_attributes_build(credentialsSchema(), "service", name.constData(), nullptr);
        GList *all = secret_service_search_sync(secretService, credentialsSchema(), legacyLookup,
                                                SecretSearchFlags(flags | SECRET_SEARCH_ALL),
                                                nullptr, &error);
        for (GList *it = all; it; it = it->next) {
            if (hasRoot(SECRET_ITEM(it->data)))
                g_object_unref(it->data);
            else
                *items = g_list_append(*items, it->data);
        }
        g_list_free(all);
    }
    if (error) {
        qCWarning(lcModel, "MMacAuthStore: cannot search the keyring: %s", reason(error));
        if (failure)
            *failure = words("The keyring cannot be searched (%1).").arg(reasonText(error));
        g_list_free_full(std::exchange(*items, nullptr), g_object_unref);
        return false;
    }
    return true;
}

SecretCollection *MMacAuthStorePrivate::defaultCollection(SecretService *secretService,
                                                          QString *failure) const
{
    g_autoptr(GError) error = nullptr;
    SecretCollection *keyring = secret_collection_for_alias_sync(
        secretService, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &error);
    if (!keyring && !error) {
        // A new account or a minimal desktop: the Secret Service asks the user for the new
        // collection's password.
        qCInfo(lcModel, "MMacAuthStore: the keyring has no default collection; creating one.");
        keyring = secret_collection_create_sync(secretService, "Default keyring",
                                                SECRET_COLLECTION_DEFAULT,
                                                SECRET_COLLECTION_CREATE_NONE, nullptr, &error);
        // A dismissed question comes back as the collection "/", which the library then fails
        // to open: the user is told what happened, not the path.
        if (!keyring && (!error || g_str_has_suffix(error->message, ": /"))) {
            g_clear_error(&error);
            g_set_error_literal(&error, SECRET_ERROR, SECRET_ERROR_PROTOCOL,
                                "the request was dismissed");
        }
    }
    if (!keyring) {
        qCWarning(lcModel, "Cannot fetch default keychain.");
        qCWarning(lcModel, "MMacAuthStore: %s", reason(error));
        *failure = words("The keyring has no default collection and could not create one (%1).")
                       .arg(reasonText(error));
        return nullptr;
    }
    if (secret_collection_get_locked(keyring)) {
        GList objects{keyring, nullptr, nullptr};
        const gint unlocked =
            secret_service_unlock_sync(secretService, &objects, nullptr, nullptr, &error);
        if (unlocked < 1) {
            qCWarning(lcModel, "MMacAuthStore: the default collection stays locked: %s",
                      reason(error));
            *failure = words("The keyring stays locked (%1).")
                           .arg(error ? reasonText(error) : words("unlocking was dismissed"));
            g_object_unref(keyring);
            return nullptr;
        }
    }
    return keyring;
}

MMacAuthStore::MMacAuthStore()
    : d_ptr(new MMacAuthStorePrivate)
{}

MMacAuthStore::MMacAuthStore(const QString &service, const QString &root)
    : d_ptr(new MMacAuthStorePrivate)
{
    d_ptr->service = service;
    d_ptr->root = root;
}

MMacAuthStore::~MMacAuthStore() = default;

void MMacAuthStore::storeAuthInfo(const QVariantMap &info)
{
    Q_D(MMacAuthStore);
    QVariantMap kept = info;
    kept.remove(QLatin1String(PasswordKey));
    const std::optional<QByteArray> data = MXmlPropertyList::write(kept);
    if (!data) {
        qCWarning(lcModel,
                  "MMacAuthStore: the credentials hold a value that cannot be stored; nothing was "
                  "written.");
        return;
    }
    d->storeFailure.clear();
    g_autolist(SecretItem) items = nullptr;
    if (!d->findItems(SECRET_SEARCH_UNLOCK, &items, &d->storeFailure))
        return;

    const QByteArray service = d->serviceName();
    const QByteArray root = d->rootName();
    const QByteArray account = kept.value(QLatin1String(UsernameKey)).toString().toUtf8();
    g_autoptr(GHashTable) attributes =
        secret_attributes_build(credentialsSchema(), "service", service.constData(), "account",
                                account.constData(), RootAttribute, root.constData(), nullptr);
    g_autoptr(SecretValue) value = secret_value_new(data->constData(), data->size(), "text/plain");
    g_autoptr(GError) error = nullptr;

    if (items) {
        SecretItem *item = SECRET_ITEM(items->data);
        if (!secret_item_set_secret_sync(item, value, nullptr, &error) ||
            !secret_item_set_attributes_sync(item, credentialsSchema(), attributes, nullptr,
                                             &error)) {
            qCWarning(lcModel, "MMacAuthStore: cannot update the stored credentials: %s",
                      reason(error));
            d->storeFailure = words("The keyring refused to keep it (%1).").arg(reasonText(error));
        }
        return;
    }

    g_autoptr(SecretService) secretService = connectSecretService(&error);
    if (!secretService) {
        d->storeFailure = words("No keyring is running (%1).").arg(reasonText(error));
        return;
    }
    g_autoptr(SecretCollection) keyring = d->defaultCollection(secretService, &d->storeFailure);
    if (!keyring)
        return;
    g_autoptr(SecretItem) created =
        secret_item_create_sync(keyring, credentialsSchema(), attributes, service.constData(),
                                value, SECRET_ITEM_CREATE_NONE, nullptr, &error);
    if (!created) {
        qCWarning(lcModel, "MMacAuthStore: cannot store the credentials: %s", reason(error));
        d->storeFailure = words("The keyring refused to keep it (%1).").arg(reasonText(error));
    }
}

QVariantMap MMacAuthStore::authInfo()
{
    Q_D(MMacAuthStore);
    g_autolist(SecretItem) items = nullptr;
    if (!d->findItems(SecretSearchFlags(SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS),
                      &items) ||
        !items) {
        return {};
    }
    g_autoptr(SecretValue) value = secret_item_get_secret(SECRET_ITEM(items->data));
    if (!value) {
        qCWarning(lcModel,
                  "MMacAuthStore: the keyring is locked; the stored credentials cannot be read.");
        return {};
    }
    gsize length = 0;
    const gchar *bytes = secret_value_get(value, &length);
    const std::optional<QVariantMap> map =
        MXmlPropertyList::read(QByteArray::fromRawData(bytes, int(length)));
    if (!map) {
        qCWarning(lcModel,
                  "MMacAuthStore: the stored credentials are unreadable; they are ignored.");
        return {};
    }
    return *map;
}

void MMacAuthStore::clear()
{
    Q_D(MMacAuthStore);
    g_autolist(SecretItem) items = nullptr;
    if (!d->findItems(SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK), &items))
        return;
    if (!items) {
        qCDebug(lcModel, "MMacAuthStore::clear Nothing to clear.");
        return;
    }
    for (GList *it = items; it; it = it->next) {
        if (!secret_item_delete_sync(SECRET_ITEM(it->data), nullptr, nullptr))
            qCWarning(lcModel,
                      "MMacAuthStore::clear Unable to remove authentication data from keychain.");
    }
}

QString MMacAuthStore::storeFailure() const
{
    return d_func()->storeFailure;
}

QString MMacAuthStore::builtInRoot()
{
    static const QString root = [] {
        const QString apiRoot = QStringLiteral(LUMARIN_BUILT_IN_API_URL);
        return apiRoot.isEmpty() ? QString() : rootOf(QUrl(apiRoot + QStringLiteral("/api/v1")));
    }();
    return root;
}

QString MMacAuthStore::rootOf(const QUrl &url)
{
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return QString();
    const QString scheme = url.scheme().toLower();
    const int port = url.port(scheme == QLatin1String("https")  ? 443
                              : scheme == QLatin1String("http") ? 80
                                                                : -1);
    QString path = url.path(QUrl::FullyEncoded);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return QStringLiteral("%1://%2:%3%4")
        .arg(scheme, url.host(QUrl::FullyEncoded).toLower(), QString::number(port), path);
}
