// GLib's headers use the identifier "signals", which Qt defines as a macro: they come first.
#include <libsecret/secret.h>

#include "mmacauthstore.h"
#include "subprocess.h"
#include "testcore.h"
#include "tolvoappimpl.h"

#include "mxmlpropertylist.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

namespace {

// The store's item format: its schema name is part of what earlier runs left in the keyring.
const SecretSchema *storeSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema value{};
        value.name = "com.kerloapp.lumarin.Credentials";
        value.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        value.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        value.attributes[2] = {"root", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return value;
    }();
    return &schema;
}

const QString Root = QStringLiteral("https://service.example:443/api/v1");
const QString OtherRoot = QStringLiteral("http://127.0.0.1:8642/api/v1");

struct StoredItem
{
    QString account;
    QByteArray secret;
    QString root;
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
                       QByteArray(bytes, int(length)),
                       QString::fromUtf8(
                           static_cast<const char *>(g_hash_table_lookup(attributes, "root")))});
    }
    return result;
}

bool putRawItem(const QString &service, const QByteArray &secret, const QString &root = Root)
{
    if (root.isEmpty()) {
        return secret_password_store_sync(
            storeSchema(), SECRET_COLLECTION_DEFAULT, "test item", secret.constData(), nullptr,
            nullptr, "service", service.toUtf8().constData(), "account", "someone", nullptr);
    }
    return secret_password_store_sync(storeSchema(), SECRET_COLLECTION_DEFAULT, "test item",
                                      secret.constData(), nullptr, nullptr, "service",
                                      service.toUtf8().constData(), "account", "someone", "root",
                                      root.toUtf8().constData(), nullptr);
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

// Inside a keyring of its own that has no default collection and no way to ask the user for
// one: the store says why nothing was kept, and keeps nothing anywhere.
int storeWithoutDefaultCollection(const QString &service)
{
    MMacAuthStore store(service, Root);
    store.storeAuthInfo(credentials("a@example.com", "secret-value"));
    std::printf("FAILURE %s\n", qPrintable(store.storeFailure()));
    if (!store.authInfo().isEmpty() || !storedItems(service).isEmpty())
        return 1;
    // The reason stays for the interface to say.
    return store.storeFailure().isEmpty() ? 3 : 0;
}

int runCase(const QString &name, const QStringList &arguments)
{
    if (name == QLatin1String("withoutDefaultCollection"))
        return storeWithoutDefaultCollection(arguments.value(0));
    if (name != QLatin1String("withoutSecretService"))
        return 2;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    qputenv("HOME", QFile::encodeName(arguments.value(1)));
    for (const char *variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qunsetenv(variable);
    MMacAuthStore store(arguments.value(0), Root);
    store.storeAuthInfo(credentials("a@example.com", "secret-value"));
    const bool empty = store.authInfo().isEmpty();
    std::printf("FAILURE %s\n", qPrintable(store.storeFailure()));
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
    void withoutDefaultCollection();
    void itemsAreKeptPerRoot();
    void earlierItemServesOnlyTheBuiltInRoot();
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
    TolvoApp::instance()->setBaseAPIURL(QUrl(Root));
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
    MMacAuthStore store(m_service, Root);
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
    MMacAuthStore store(m_service, Root);
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
    MMacAuthStore store(m_service, Root);
    MMacAuthStore otherStore(m_otherService, Root);
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
    QCOMPARE(MMacAuthStore(m_service, Root).authInfo(), expected);
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
    QVERIFY2(result.standardOutput.contains("FAILURE No keyring is running"),
             result.standardOutput.constData());
    // No fallback file anywhere.
    QVERIFY(QDir(home.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                .isEmpty());
}

void TestMacAuthStore::withoutDefaultCollection()
{
    if (!Subprocess::canStartNewKeyring())
        QSKIP("gnome-keyring-daemon and dbus-run-session are needed.");
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcess process;
    Subprocess::startWithNewKeyring(
        &process, home.path(),
        {QStringLiteral("--subprocess"), QStringLiteral("withoutDefaultCollection"), m_service});
    QVERIFY(process.waitForFinished(60000));
    const QByteArray output = process.readAllStandardOutput();
    const QByteArray errors = process.readAllStandardError();
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             (output + errors).constData());
    QVERIFY2(output.contains("FAILURE The keyring has no default collection and could not "
                             "create one ("),
             output.constData());
    QVERIFY(errors.contains("Cannot fetch default keychain."));
    QVERIFY(!errors.contains("secret-value"));
}

void TestMacAuthStore::itemsAreKeptPerRoot()
{
    MMacAuthStore store(m_service, Root);
    MMacAuthStore otherStore(m_service, OtherRoot);
    store.storeAuthInfo(credentials("a@example.com", "1"));
    // A launch against another service finds nothing to send it.
    QVERIFY(otherStore.authInfo().isEmpty());
    QTest::ignoreMessage(QtDebugMsg, "MMacAuthStore::clear Nothing to clear.");
    otherStore.clear();

    otherStore.storeAuthInfo(credentials("b@example.com", "2"));
    QCOMPARE(store.authInfo(), credentials("a@example.com", "1"));
    QCOMPARE(otherStore.authInfo(), credentials("b@example.com", "2"));
    QCOMPARE(storedItems(m_service).size(), 2);

    // Signing out of one service leaves the other's sign-in.
    otherStore.clear();
    QCOMPARE(store.authInfo(), credentials("a@example.com", "1"));
    const QList<StoredItem> items = storedItems(m_service);
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.first().root, Root);

    // The default store takes its root from the base API URL: the same root written another
    // way is the same service, another port is not.
    TolvoApp::instance()->setMainIdentifier(m_service);
    TolvoApp::instance()->setBaseAPIURL(QUrl("HTTPS://Service.Example/api/v1/"));
    QCOMPARE(MMacAuthStore().authInfo(), credentials("a@example.com", "1"));
    TolvoApp::instance()->setBaseAPIURL(QUrl("https://service.example:8443/api/v1"));
    QVERIFY(MMacAuthStore().authInfo().isEmpty());
    TolvoApp::instance()->setBaseAPIURL(QUrl(Root));
}

void TestMacAuthStore::earlierItemServesOnlyTheBuiltInRoot()
{
    const QString builtIn = MMacAuthStore::builtInRoot();
    QVERIFY(!builtIn.isEmpty());
    QVERIFY(builtIn != Root);
    const QVariantMap stored = credentials("a@example.com", "1");
    const std::optional<QByteArray> data = MXmlPropertyList::write(stored);
    QVERIFY(data);
    // Written before items recorded their root.
    QVERIFY(putRawItem(m_service, *data, QString()));

    MMacAuthStore other(m_service, Root);
    QVERIFY(other.authInfo().isEmpty());
    other.storeAuthInfo(credentials("b@example.com", "2"));
    QTest::ignoreMessage(QtDebugMsg, "MMacAuthStore::clear Nothing to clear.");
    MMacAuthStore(m_service, OtherRoot).clear();
    QCOMPARE(storedItems(m_service).size(), 2);

    // The service the program is built for keeps it, and storing gives it its root.
    MMacAuthStore store(m_service, builtIn);
    QCOMPARE(store.authInfo(), stored);
    store.storeAuthInfo(credentials("a@example.com", "3"));
    QCOMPARE(store.authInfo(), credentials("a@example.com", "3"));
    QStringList roots;
    for (const StoredItem &item : storedItems(m_service))
        roots.append(item.root);
    roots.sort();
    QStringList expected{builtIn, Root};
    expected.sort();
    QCOMPARE(roots, expected);
    QCOMPARE(other.authInfo(), credentials("b@example.com", "2"));
}

void TestMacAuthStore::installedInstance()
{
    {
        MMacAuthStore store(m_service, Root);
        MAuthStore::setInstance(&store);
        QCOMPARE(MAuthStore::instance(), &store);
    }
    // A destroyed store is never handed out.
    QVERIFY(!MAuthStore::instance());
}

TESTCORE_MAIN_WITH_SUBPROCESS(TestMacAuthStore, runCase)

#include "tst_macauthstore.moc"
