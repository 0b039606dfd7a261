#include "bundlevalues.h"
#include "canberrasoundplayer.h"
#include "dbusdesktopnotifier.h"
#include "dbuslauncherbadge.h"
#include "displayloss.h"
#include "displaysettings.h"
#include "heapsettings.h"
#include "mcappdelegate.h"
#include "mcshellservices.h"
#include "mcworkspace.h"
#include "moapplication.h"
#include "nullupdater.h"
#include "quitrequests.h"
#include "singleinstance.h"
#include "systemclock.h"
#include "widgetalertpresenter.h"
#include "xdgautostart.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

// The OAuth2 client this program is registered as.
const char ClientID[] = "5f0c1a9e3b7d24680a1b2c3d4e5f60718293a4b5c6d7e8f9ace13579bdf02468";
const char ClientSecret[] = "e4d3c2b1a0f9e8d7c6b5a4938271605f4e3d2c1b0a99887766554433221100fe";

} // namespace

int main(int argc, char *argv[])
{
    HeapSettings::apply();
    DisplaySettings::apply();
    QApplication app(argc, argv);
    const BundleValues bundle = BundleValues::fromProcess(QCoreApplication::arguments());
    // The support folder and the settings file are named after the application.
    QCoreApplication::setApplicationName(bundle.name());
    QCoreApplication::setApplicationVersion(bundle.versionText());
    QGuiApplication::setDesktopFileName(bundle.identifier());
    MCWorkspace::useIconThemeFallback();
    // Closing the last window is a quit request like any other: the shell quits in order.
    QApplication::setQuitOnLastWindowClosed(false);

    // Before anything opens the support folder: one process per folder.
    const QString supportFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') +
        bundle.name();
    SingleInstance instance(supportFolder);
    switch (instance.start(QCoreApplication::arguments())) {
    case SingleInstance::Forwarded:
        return 0;
    case SingleInstance::Failed:
        std::fprintf(stderr, "%s\n", qPrintable(instance.errorString()));
        return 1;
    case SingleInstance::Primary:
        break;
    }

    const QString apiRoot = bundle.kerloAPIURL();
    if (bundle.identifier().isEmpty() || apiRoot.isEmpty()) {
        std::fprintf(stderr, "Cannot continue without a base API URL.\n");
        return 1;
    }
    MOApplication *application = MOApplication::sharedInstance();
    application->setMainIdentifier(bundle.identifier());
    application->setApplicationString(
        QStringLiteral("%1 - %2").arg(bundle.identifier(), bundle.versionText()));
    application->setBaseAPIURL(QUrl(apiRoot + QStringLiteral("/api/v1")));
    application->setAuthorizationURL(QUrl(apiRoot + QStringLiteral("/oauth")));
    application->setOAuth2ClientID(QString::fromLatin1(ClientID));
    application->setOAuth2ClientSecret(QString::fromLatin1(ClientSecret));
    application->setup();

    // Titled as the sign-in window is, not with the program's name.
    WidgetAlertPresenter alerts(MCAppDelegate::tr("Kerlo"));
    XdgAutostart autostart(bundle.identifier(), QCoreApplication::applicationFilePath(),
                           bundle.name());
    CanberraSoundPlayer sounds(bundle.name(), bundle.identifier());
    DBusLauncherBadge badge(bundle.identifier());
    DBusDesktopNotifier notifier(bundle.name(), bundle.identifier(), bundle.identifier());
    NullUpdater updater;
    SystemClock clock;
    QuitRequests quitRequests;
    quitRequests.watch(&app, QuitRequests::LastWindowClosed | QuitRequests::TerminationSignal |
                                 QuitRequests::SessionEnd);

    MCShellServices services;
    services.bundle = bundle;
    services.alerts = &alerts;
    services.autostart = &autostart;
    services.sounds = &sounds;
    services.badge = &badge;
    services.notifier = &notifier;
    services.updater = &updater;
    services.clock = &clock;
    services.quitRequests = &quitRequests;
    services.singleInstance = &instance;
    services.arguments = QCoreApplication::arguments();

    MCAppDelegate delegate(services);
    // The display can go at any time, with no event loop left after it: the transfers in
    // flight are saved there and then.
    DisplayLoss::watch([application] { application->shutdownNow(); });
    // As on the desktop this arrives from inside the event loop.
    QTimer::singleShot(0, &delegate, &MCAppDelegate::applicationDidFinishLaunching);
    // Arguments of the first launch are handled as a later launch's would be.
    QTimer::singleShot(0, &delegate,
                       [&delegate] { delegate.handleArguments(QCoreApplication::arguments()); });
    return app.exec();
}
