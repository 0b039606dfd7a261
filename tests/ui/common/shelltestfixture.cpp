#include "shelltestfixture.h"

#include "mcmainwindow.h"
#include "mcwelcomecontroller.h"
#include "mcwindowlogincontroller.h"
#include "moapplication.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <QUuid>

namespace ShellTest {

namespace {
QString s_root;
}

QString isolateEnvironment(QString rootPath)
{
    if (rootPath.isEmpty()) {
        static QTemporaryDir dir;
        rootPath = dir.path();
    }
    s_root = rootPath;
    QDir().mkpath(rootPath + QStringLiteral("/runtime"));
    QFile::setPermissions(rootPath + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_DATA_HOME", QFile::encodeName(rootPath + QStringLiteral("/data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(rootPath + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(rootPath + QStringLiteral("/cache")));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(rootPath + QStringLiteral("/runtime")));
    qputenv("LUMARIN_INSTANT_ANIMATIONS", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    MCWindowLoginController::setAnimationsEnabled(false);
    return rootPath;
}

QString root()
{
    return s_root;
}

bool addDemoTree(const KerloLocal &server, const QString &email)
{
    return server.control("POST", QStringLiteral("/objects/demo-tree"), {{"email", email}}) == 200;
}

int freePort(KerloLocal &server)
{
    if (!server.start())
        return 0;
    const int port = server.port();
    server.stop();
    return port;
}

int firstRequest(const QJsonArray &log, const QString &pattern, const QString &method)
{
    const QRegularExpression expression(QRegularExpression::anchoredPattern(pattern));
    for (int i = 0; i < log.size(); ++i) {
        const QJsonObject entry = log.at(i).toObject();
        if (!method.isEmpty() && entry.value(QLatin1String("method")).toString() != method)
            continue;
        if (expression.match(entry.value(QLatin1String("path")).toString()).hasMatch())
            return i;
    }
    return -1;
}

int countRequests(const QJsonArray &log, const QString &pattern)
{
    const QRegularExpression expression(QRegularExpression::anchoredPattern(pattern));
    int count = 0;
    for (const QJsonValue &value : log)
        count +=
            expression.match(value.toObject().value(QLatin1String("path")).toString()).hasMatch();
    return count;
}

Shell::Shell() = default;

namespace {

// Whether every line edit's clear button has ended its fade. Qt's animation of the fade has no
// parent and deletes itself when it ends: one cut short by its window going is never deleted.
bool clearButtonsAreStill()
{
    const QList<QWidget *> widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets) {
        auto *button = qobject_cast<QToolButton *>(widget);
        auto *edit = button ? qobject_cast<QLineEdit *>(button->parentWidget()) : nullptr;
        if (!edit || !button->defaultAction() ||
            button->defaultAction()->objectName() != QLatin1String("_q_qlineeditclearaction"))
            continue;
        const QVariant opacity = button->property("opacity");
        if (opacity.isValid() && opacity.toReal() != (edit->text().isEmpty() ? 0.0 : 1.0))
            return false;
    }
    return true;
}

} // namespace

Shell::~Shell()
{
    // The windows go once their fades are over, and before the application does, as the
    // program's do in its loop; what they deleted later goes with them.
    if (!QTest::qWaitFor(clearButtonsAreStill))
        qWarning("A line edit's clear button was still fading as the windows went");
    m_delegate.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // A fade the windows started as they went ends on Qt's animation clock, which nothing can
    // be asked about: the loop runs past the fade's length so that it ends and is deleted.
    QTest::qWait(400);
}

void Shell::launch(const QString &apiRoot, const QStringList &arguments)
{
    QCoreApplication::setApplicationName(QStringLiteral("LumarinTests"));
    BundleValues bundle;
    // One keyring item per test process: parallel suites never share credentials.
    const QString identifier = qEnvironmentVariable(
        "LUMARIN_TEST_IDENTIFIER", QStringLiteral("com.kerloapp.lumarin.tests.") +
                                       QUuid::createUuid().toString(QUuid::Id128).left(12));
    qputenv("LUMARIN_TEST_IDENTIFIER", identifier.toUtf8());
    bundle.setValue(BundleValues::IdentifierKey, identifier);
    bundle.setValue(BundleValues::NameKey, QStringLiteral("LumarinTests"));
    bundle.setValue(BundleValues::KerloAPIURLKey, apiRoot);

    MOApplication *application = MOApplication::sharedInstance();
    application->setMainIdentifier(identifier);
    application->setApplicationString(
        QStringLiteral("%1 - %2").arg(identifier, bundle.versionText()));
    application->setBaseAPIURL(QUrl(apiRoot + QStringLiteral("/api/v1")));
    application->setAuthorizationURL(QUrl(apiRoot + QStringLiteral("/oauth")));
    application->setOAuth2ClientID(QString(64, QLatin1Char('a')));
    application->setOAuth2ClientSecret(QString(64, QLatin1Char('b')));
    application->setup();

    autostart = std::make_unique<XdgAutostart>(identifier, QCoreApplication::applicationFilePath(),
                                               QStringLiteral("LumarinTests"));
    MCShellServices services;
    services.bundle = bundle;
    services.alerts = &alerts;
    services.autostart = autostart.get();
    services.sounds = &sounds;
    services.badge = &badge;
    services.updater = &updater;
    services.clock = &clock;
    services.quitRequests = &quitRequests;
    services.singleInstance = singleInstance;
    services.notifier = notifier;
    services.arguments = QStringList{QCoreApplication::applicationFilePath()} + arguments;
    if (!realRelaunch) {
        services.relaunch = [this](const QString &program, const QStringList &args) {
            relaunched.append((QStringList{program} + args).join(QLatin1Char('\n')));
            return true;
        };
    }
    m_delegate = std::make_unique<MCAppDelegate>(services);
    m_delegate->applicationDidFinishLaunching();
}

bool Shell::signInThroughWindow(const QString &email, const QString &password)
{
    if (!QTest::qWaitFor(
            [this] {
                auto *login = m_delegate->loginController();
                // Laid out too: a click must land on the button as a user's would.
                return login && login->isVisible() && login->isReady() &&
                       !login->buttonSignIn()->rect().isEmpty();
            },
            30000))
        return false;
    MCWindowLoginController *login = m_delegate->loginController();
    login->usernameTextField()->clear();
    login->passwordTextField()->clear();
    QTest::keyClicks(login->usernameTextField(), email);
    QTest::keyClicks(login->passwordTextField(), password);
    QTest::mouseClick(login->buttonSignIn(), Qt::LeftButton);
    return true;
}

bool Shell::waitForSession(int timeout)
{
    return QTest::qWaitFor([this] { return m_delegate->firstObjectsFetchDone(); }, timeout);
}

bool Shell::launchSignedIn(const QString &apiRoot, const QString &email, const QString &password)
{
    launch(apiRoot);
    if (!signInThroughWindow(email, password)) {
        qWarning("The sign-in window never became ready");
        return false;
    }
    if (!waitForSession()) {
        qWarning("No session after signing in");
        return false;
    }
    // A first sign-in opens the guided tour over the window; it is closed, as a user would.
    // The offscreen platform leaves its focus on the closed window: the main window is made the
    // active one, as a window manager does.
    if (MCWelcomeController *tour = m_delegate->welcomeController(); tour && tour->isVisible()) {
        tour->close();
        QApplication::setActiveWindow(m_delegate->mainWindow());
    }
    return true;
}

bool Shell::showMainWindow(const QSize &size)
{
    MCMainWindow *window = m_delegate->mainWindow();
    window->resize(size);
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

int runScenario(const QString &name, const QStringList &arguments, int timeout,
                const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QCoreApplication::applicationFilePath(),
                  QStringList{QStringLiteral("--scenario"), name} + arguments);
    if (!process.waitForStarted(10000))
        return -1;
    if (!process.waitForFinished(timeout)) {
        process.kill();
        process.waitForFinished(5000);
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace ShellTest
