// GLib's headers use the identifier "signals", which Qt defines as a macro: they come first.
#include <libsecret/secret.h>

#include "mmacauthstore.h"
#include "testcore.h"
#include "tolvoappimpl.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// The store's item format: its schema name is part of what earlier runs left in the keyring.
const SecretSchema *storeSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema value{};
        value.name = "com.kerloapp.lumarin.Credentials";
        value.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        value.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return value;
    }();
    return &schema;
}

struct StoredItem
{
    QString account;
    QByteArray secret;
};

QList<StoredItem> storedItems(const QString &service)
{
    g_autoptr(SecretService) secretService =
        secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, nullptr);
    if (!secretService)
        return {};
    g_autoptr(GHashTable) lookup =
        secret_attributes_build(storeSchema(), "service", service.toUtf8().constData(), nullptr);
    g_autolist(SecretItem) items = secret_service_search_sync(
        secretService, storeSchema(), lookup,
        SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS),
        nullptr, nullptr);
    QList<StoredItem> result;
    for (GList *it = items; it; it = it->next) {
        g_autoptr(GHashTable) attributes = secret_item_get_attributes(SECRET_ITEM(it->data));
        g_autoptr(SecretValue) value = secret_item_get_secret(SECRET_ITEM(it->data));
        gsize length = 0;
        const gchar *bytes = value ? secret_value_get(value, &length) : nullptr;
        result.append({QString::fromUtf8(
                           static_cast<const char *>(g_hash_table_lookup(attributes, "account"))),
                       QByteArray(bytes, int(length))});
    }
    return result;
}

bool putRawItem(const QString &service, const QByteArray &secret)
{
    return secret_password_store_sync(storeSchema(), SECRET_COLLECTION_DEFAULT, "test item",
                                      secret.constData(), nullptr, nullptr, "service",
                                      service.toUtf8().constData(), "account", "someone", nullptr);
}

void removeItems(const QString &service)
{
    secret_password_clear_sync(storeSchema(), nullptr, nullptr, "service",
                               service.toUtf8().constData(), nullptr);
}

QVariantMap credentials(const QString &user, const QString &token)
{
    return {{"MAuthToken", "key-" + token},
            {"MUsername", user},
            {"MRefreshToken", "refresh-" + token},
            {"MOAuthToken", "access-" + token},
            {"MOAuthTokenType", "Bearer"}};
}

int runCase(const QString &name, const QStringList &arguments)
{
    if (name != QLatin1String("withoutSecretService"))
        return 2;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    qputenv("HOME", QFile::encodeName(arguments.value(1)));
    for (const char *variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qunsetenv(variable);
    MMacAuthStore store(arguments.value(0));
    store.storeAuthInfo(credentials("a@example.com", "secret-value"));
    const bool empty = store.authInfo().isEmpty();
    store.clear();
    return empty ? 0 : 1;
}

} // namespace

class TestMacAuthStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void roundTrip();
    void storeReplacesTheOneItem();
    void unstorableMapLeavesPreviousItem();
    void clear();
    void storedData_data();
    void storedData();
    void withoutSecretService();
    void installedInstance();

private:
    bool m_keyring = false;
    QString m_service;
    QString m_otherService;
};

void TestMacAuthStore::initTestCase()
{
    // Suites run side by side in one keyring: each process keeps to its own services.
    const QString pid = QString::number(QCoreApplication::applicationPid());
    m_service = "com.kerloapp.lumarin.tests.authstore." + pid;
    m_otherService = "com.kerloapp.lumarin.tests.authstore-other." + pid;
    g_autoptr(SecretService) secretService =
        secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, nullptr);
    m_keyring = secretService != nullptr;
}

void TestMacAuthStore::init()
{
    if (!m_keyring && QTest::currentTestFunction() != QLatin1String("withoutSecretService"))
        QSKIP("No Secret Service: run inside dbus-run-session with an unlocked gnome-keyring.");
    removeItems(m_service);
    removeItems(m_otherService);
}

void TestMacAuthStore::cleanupTestCase()
{
    if (!m_keyring)
        return;
    removeItems(m_service);
    removeItems(m_otherService);
}

void TestMacAuthStore::roundTrip()
{
    // The default store names its item after the application's main identifier.
    TolvoApp::instance()->setMainIdentifier(m_service);
    MMacAuthStore store;
    const QVariantMap expected = credentials("a+b@example.com", "é&<x>\"\n\t");
    QVariantMap withPassword = expected;
    withPassword.insert("MAuthPassword", "hunter2");

    store.storeAuthInfo(withPassword);
    QCOMPARE(store.authInfo(), expected);

    const QList<StoredItem> items = storedItems(m_service);
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.first().account, QStringLiteral("a+b@example.com"));
    QVERIFY(!items.first().secret.contains("hunter2"));
}

void TestMacAuthStore::storeReplacesTheOneItem()
{
    MMacAuthStore store(m_service);
    store.storeAuthInfo(credentials("a@example.com", "1"));
    store.storeAuthInfo(credentials("a@example.com", "2"));
    QCOMPARE(store.authInfo(), credentials("a@example.com", "2"));
    QCOMPARE(storedItems(m_service).size(), 1);

    // A second user's sign-in takes over the same item, account included.
    store.storeAuthInfo(credentials("b@example.com", "3"));
    QCOMPARE(store.authInfo(), credentials("b@example.com", "3"));
    QList<StoredItem> items = storedItems(m_service);
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.first().account, QStringLiteral("b@example.com"));

    const QVariantMap withoutUser{{"MAuthToken", "key"}};
    store.storeAuthInfo(withoutUser);
    QCOMPARE(store.authInfo(), withoutUser);
    items = storedItems(m_service);
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.first().account, QString(""));
}

void TestMacAuthStore::unstorableMapLeavesPreviousItem()
{
    MMacAuthStore store(m_service);
    store.storeAuthInfo(credentials("a@example.com", "1"));

    // None can come back as it was: no empty or damaged item may replace the stored one.
    const QVariantList unstorable{QVariantList{1, 2}, "key\x01", "key\r\n"};
    for (const QVariant &token : unstorable) {
        QVariantMap info = credentials("a@example.com", "2");
        info.insert("MAuthToken", token);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be stored"));
        store.storeAuthInfo(info);
    }
    QCOMPARE(store.authInfo(), credentials("a@example.com", "1"));
    QCOMPARE(storedItems(m_service).size(), 1);
}

void TestMacAuthStore::clear()
{
    MMacAuthStore store(m_service);
    MMacAuthStore otherStore(m_otherService);
    store.storeAuthInfo(credentials("a@example.com", "1"));
    otherStore.storeAuthInfo(credentials("b@example.com", "2"));

    store.clear();
    QVERIFY(store.authInfo().isEmpty());
    QVERIFY(storedItems(m_service).isEmpty());
    QTest::ignoreMessage(QtDebugMsg, "MMacAuthStore::clear Nothing to clear.");
    store.clear();

    // Another application's credentials are not touched.
    QCOMPARE(otherStore.authInfo(), credentials("b@example.com", "2"));
}

void TestMacAuthStore::storedData_data()
{
    QTest::addColumn<QByteArray>("secret");
    QTest::addColumn<QVariantMap>("expected");

    const QByteArray header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    QTest::newRow("empty element")
        << header + "<plist version=\"1.0\"><dict><key>MUsername</key><string>a</string>"
                    "<key>MAuthToken</key><string/></dict></plist>"
        << QVariantMap{{"MUsername", "a"}, {"MAuthToken", ""}};
    QTest::newRow("not xml") << QByteArray("MUsername=a") << QVariantMap();
    QTest::newRow("truncated") << header + "<plist version=\"1.0\"><dict><key>MUsername</key>"
                               << QVariantMap();
    QTest::newRow("integer value")
        << header + "<plist><dict><key>MAuthToken</key><integer>1</integer></dict></plist>"
        << QVariantMap();
    QTest::newRow("key without value")
        << header + "<plist><dict><key>MAuthToken</key></dict></plist>" << QVariantMap();
    QTest::newRow("second dictionary")
        << header + "<plist><dict/><dict><key>a</key><string>b</string></dict></plist>"
        << QVariantMap();
}

void TestMacAuthStore::storedData()
{
    QFETCH(QByteArray, secret);
    QFETCH(QVariantMap, expected);
    QVERIFY(putRawItem(m_service, secret));
    if (expected.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unreadable"));
    QCOMPARE(MMacAuthStore(m_service).authInfo(), expected);
}

void TestMacAuthStore::withoutSecretService()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const TestCore::SubprocessResult result =
        TestCore::runSubprocess("withoutSecretService", {m_service, home.path()});
    QVERIFY2(!result.crashed, result.standardError.constData());
    QVERIFY2(result.exitCode == 0, result.standardError.constData());
    QVERIFY(result.standardError.contains("cannot reach the Secret Service"));
    QVERIFY(!result.standardError.contains("secret-value"));
    // No fallback file anywhere.
    QVERIFY(QDir(home.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                .isEmpty());
}

void TestMacAuthStore::installedInstance()
{
    {
        MMacAuthStore store(m_service);
        MAuthStore::setInstance(&store);
        QCOMPARE(MAuthStore::instance(), &store);
    }
    // A destroyed store is never handed out.
    QVERIFY(!MAuthStore::instance());
}

TESTCORE_MAIN_WITH_SUBPROCESS(TestMacAuthStore, runCase)

#include "tst_macauthstore.moc"
