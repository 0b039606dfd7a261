#include "moapplication.h"

#include "mcocoafileopener.h"
#include "mmacauthstore.h"
#include "moapplicationdelegate.h"
#include "modelegatepointer.h"
#include "modeltypes.h"
#include "mologging_p.h"
#include "mosingleton_p.h"
#include "mqbindings.h"
#include "tolvoapp.h"
#include "tolvoappbridge.h"
#include "tolvoappimpl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace {

// Makes path and every missing folder above it with mode 0700 (the user's data folders are
// private by convention, and this one holds the transfer queue and the configuration).
// Returns an empty string on success, else why it failed.
QString makePrivateFolder(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    const QStringList parts = clean.split(QLatin1Char('/'));
    QString current;
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0)
            current += QLatin1Char('/');
        current += parts.at(i);
        if (current.isEmpty())
            continue; // the root
        const QFileInfo info(current);
        if (info.isDir())
            continue;
        if (info.exists())
            return QStringLiteral("%1 is not a folder").arg(current);
        if (::mkdir(QFile::encodeName(current).constData(), S_IRWXU) != 0 && errno != EEXIST)
            return QStringLiteral("cannot create %1: %2")
                .arg(current, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (::chmod(QFile::encodeName(clean).constData(), S_IRWXU) != 0)
        return QStringLiteral("cannot restrict %1: %2")
            .arg(clean, QString::fromLocal8Bit(std::strerror(errno)));
    const QFileInfo folder(clean);
    if (!folder.isDir() || !folder.isWritable())
        return QStringLiteral("%1 is not writable").arg(clean);
    return QString();
}

} // namespace

class MOApplicationPrivate
{
public:
    std::unique_ptr<TolvoAppBridge> bridge;
    bool firstTime = true;
    QString supportPath;
    MODelegatePointer<MOApplicationDelegate> delegate;
    std::unique_ptr<MMacAuthStore> authStore;
    std::unique_ptr<MCocoaFileOpener> fileOpener;
};

MOApplication::MOApplication()
    : d_ptr(new MOApplicationPrivate)
{
    Q_D(MOApplication);
    registerModelTypes();
    // Creates the core application object on first use.
    TolvoApp::instance();
    d->bridge = std::make_unique<TolvoAppBridge>(this);
}

MOApplication::~MOApplication() = default;

MOApplication *MOApplication::sharedInstance()
{
    return MOSingleton<MOApplication>::instance();
}

bool MOApplication::isInitialized() const
{
    TolvoApp *app = TolvoApp::instance();
    return app && app->isInitialized();
}

void MOApplication::setup()
{
    Q_D(MOApplication);
    Q_ASSERT(QThread::currentThread() == thread());
    if (!d->firstTime)
        return;
    d->firstTime = false;
    TolvoApp *app = TolvoApp::instance();

    const QString dataLocation =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString name = QCoreApplication::applicationName();
    const QString path =
        dataLocation.isEmpty() ? QString() : dataLocation + QLatin1Char('/') + name;
    // Without a name the folder would be the user's whole data folder, made private.
    const QString failure = name.isEmpty() || name.contains(QLatin1Char('/'))
                                ? QStringLiteral("no usable application name")
                            : path.isEmpty() ? QStringLiteral("no data location for this user")
                                             : makePrivateFolder(path);
    if (failure.isEmpty()) {
        d->supportPath = QDir::cleanPath(path);
        app->setSupportPath(d->supportPath);
    } else {
        // The core then keeps its queue and configuration in memory only.
        qCCritical(lcModel,
                   "Cannot make support directory. Your application is likely to crash without "
                   "such directory. Please check your configuration.");
        qCCritical(lcModel, "Support directory: %s", qPrintable(failure));
    }

    if (!MAuthStore::instance()) {
        d->authStore = std::make_unique<MMacAuthStore>();
        MAuthStore::setInstance(d->authStore.get());
    }
    if (!MAbstractFileOpener::instance()) {
        d->fileOpener = std::make_unique<MCocoaFileOpener>();
        MAbstractFileOpener::setInstance(d->fileOpener.get());
    }
    app->init();
}

void MOApplication::setupNetwork()
{
    TolvoApp::instance()->setupNetwork();
}

void MOApplication::shutdown()
{
    TolvoApp::instance()->shutdown();
}

void MOApplication::shutdownNow()
{
    if (TolvoAppImpl *core = TolvoApp::instance())
        core->shutdownNow();
}

QString MOApplication::supportPath() const
{
    return d_func()->supportPath;
}

QStringList MOApplication::lostAtStart() const
{
    const TolvoAppImpl *core = TolvoApp::instance();
    return core ? core->lostAtStart() : QStringList();
}

QString MOApplication::stringWithMachineUUID() const
{
    return TolvoApp::stringWithMachineUUID();
}

MOApplicationDelegate *MOApplication::delegate() const
{
    return d_func()->delegate.get();
}

void MOApplication::setDelegate(MOApplicationDelegate *delegate)
{
    d_func()->delegate.set(delegate);
}

QString MOApplication::mainIdentifier() const
{
    return TolvoApp::instance()->mainIdentifier();
}

void MOApplication::setMainIdentifier(const QString &identifier)
{
    TolvoApp::instance()->setMainIdentifier(identifier);
}

QUrl MOApplication::baseAPIURL() const
{
    return QUrlToNSURL(TolvoApp::instance()->baseAPIURL());
}

void MOApplication::setBaseAPIURL(const QUrl &url)
{
    TolvoApp::instance()->setBaseAPIURL(NSURLToQUrl(url));
}

QUrl MOApplication::authorizationURL() const
{
    return QUrlToNSURL(TolvoApp::instance()->authorizationURL());
}

void MOApplication::setAuthorizationURL(const QUrl &url)
{
    TolvoApp::instance()->setAuthorizationURL(NSURLToQUrl(url));
}

QString MOApplication::OAuth2ClientID() const
{
    return TolvoApp::instance()->OAuth2ClientID();
}

void MOApplication::setOAuth2ClientID(const QString &clientId)
{
    TolvoApp::instance()->setOAuth2ClientID(clientId);
}

QString MOApplication::OAuth2ClientSecret() const
{
    return TolvoApp::instance()->OAuth2ClientSecret();
}

void MOApplication::setOAuth2ClientSecret(const QString &clientSecret)
{
    TolvoApp::instance()->setOAuth2ClientSecret(clientSecret);
}

QString MOApplication::userAgent() const
{
    return TolvoApp::instance()->userAgent();
}

void MOApplication::setUserAgent(const QString &userAgent)
{
    TolvoApp::instance()->setUserAgent(userAgent);
}

QString MOApplication::applicationString() const
{
    return TolvoApp::instance()->applicationString();
}

void MOApplication::setApplicationString(const QString &applicationString)
{
    TolvoApp::instance()->setApplicationString(applicationString);
}
