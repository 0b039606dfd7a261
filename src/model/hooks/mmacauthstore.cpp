// GLib's headers use the identifier "signals", which Qt defines as a macro: they come first.
#include <libsecret/secret.h>

#include "mmacauthstore.h"
#include "mologging_p.h"

#include "mxmlpropertylist.h"
#include "tolvoappimpl.h"

namespace {

const char UsernameKey[] = "MUsername";
const char PasswordKey[] = "MAuthPassword";

const SecretSchema *credentialsSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema value{};
        value.name = "com.kerloapp.lumarin.Credentials";
        value.flags = SECRET_SCHEMA_NONE;
        value.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        value.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return value;
    }();
    return &schema;
}

const char *reason(const GError *error)
{
    return error ? error->message : "unknown error";
}

// The process's connection to the Secret Service (libsecret keeps one); null, with the reason
// logged, when there is none.
SecretService *connectSecretService()
{
    g_autoptr(GError) error = nullptr;
    SecretService *service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
    if (!service)
        qCWarning(lcModel, "MMacAuthStore: cannot reach the Secret Service: %s", reason(error));
    return service;
}

} // namespace

class MMacAuthStorePrivate
{
public:
    QByteArray serviceName() const;
    // This application's items in *items; false, with the reason logged, when the keyring
    // cannot be searched.
    bool findItems(SecretSearchFlags flags, GList **items) const;

    QString service; // empty: the main identifier
};

QByteArray MMacAuthStorePrivate::serviceName() const
{
    if (!service.isEmpty())
        return service.toUtf8();
    const TolvoApp *app = TolvoApp::instance();
    return app ? app->mainIdentifier().toUtf8() : QByteArray();
}

bool MMacAuthStorePrivate::findItems(SecretSearchFlags flags, GList **items) const
{
    const QByteArray name = serviceName();
    if (name.isEmpty()) {
        qCWarning(lcModel, "MMacAuthStore: no main identifier; the keyring is not used.");
        return false;
    }
    g_autoptr(SecretService) secretService = connectSecretService();
    if (!secretService)
        return false;
    g_autoptr(GHashTable) lookup =
        secret_attributes_build(credentialsSchema(), "service", name.constData(), nullptr);
    g_autoptr(GError) error = nullptr;
    *items = secret_service_search_sync(secretService, credentialsSchema(), lookup, flags, nullptr,
                                        &error);
    if (error) {
        qCWarning(lcModel, "MMacAuthStore: cannot search the keyring: %s", reason(error));
        return false;
    }
    return true;
}

MMacAuthStore::MMacAuthStore()
    : d_ptr(new MMacAuthStorePrivate)
{}

MMacAuthStore::MMacAuthStore(const QString &service)
    : d_ptr(new MMacAuthStorePrivate)
{
    d_ptr->service = service;
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
    g_autolist(SecretItem) items = nullptr;
    if (!d->findItems(SECRET_SEARCH_UNLOCK, &items))
        return;

    const QByteArray service = d->serviceName();
    const QByteArray account = kept.value(QLatin1String(UsernameKey)).toString().toUtf8();
    g_autoptr(GHashTable) attributes =
        secret_attributes_build(credentialsSchema(), "service", service.constData(), "account",
                                account.constData(), nullptr);
    g_autoptr(SecretValue) value = secret_value_new(data->constData(), data->size(), "text/plain");
    g_autoptr(GError) error = nullptr;

    if (items) {
        SecretItem *item = SECRET_ITEM(items->data);
        if (!secret_item_set_secret_sync(item, value, nullptr, &error) ||
            !secret_item_set_attributes_sync(item, credentialsSchema(), attributes, nullptr,
                                             &error)) {
            qCWarning(lcModel, "MMacAuthStore: cannot update the stored credentials: %s",
                      reason(error));
        }
        return;
    }

    g_autoptr(SecretService) secretService = connectSecretService();
    if (!secretService)
        return;
    g_autoptr(SecretCollection) keyring = secret_collection_for_alias_sync(
        secretService, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &error);
    if (!keyring) {
        qCWarning(lcModel, "Cannot fetch default keychain.");
        if (error)
            qCWarning(lcModel, "MMacAuthStore: %s", error->message);
        return;
    }
    g_autoptr(SecretItem) created =
        secret_item_create_sync(keyring, credentialsSchema(), attributes, service.constData(),
                                value, SECRET_ITEM_CREATE_NONE, nullptr, &error);
    if (!created)
        qCWarning(lcModel, "MMacAuthStore: cannot store the credentials: %s", reason(error));
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
