#include "mcmanager.h"

#include "mcoptions.h"
#include "mcshelllogging.h"
#include "mcthirdpartyservicesdiscoverer.h"
#include "moapplication.h"
#include "moconstants.h"
#include "moconversationsmanager.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "mouserauthenticationmanager.h"

#include <QDir>
#include <QPointer>
#include <QTimer>

Q_LOGGING_CATEGORY(lcShell, "lumarin.shell")

namespace {
MCManager *s_instance = nullptr;
} // namespace

MCManager *MCManager::sharedManager()
{
    if (!s_instance)
        s_instance = new MCManager;
    return s_instance;
}

// The pages' face of the hub is the hub the shell makes.
MCHub *MCHub::sharedHub()
{
    return MCManager::sharedManager();
}

void MCManager::dismissSharedManager()
{
    delete s_instance;
    s_instance = nullptr;
}

MCManager::MCManager()
    : m_options(new MCOptions(this))
    , m_counters(new MCWindowCounters(this))
    , m_history(new MCHistory(m_counters, this))
    , m_transfers(new MCTransfers(this))
    , m_sheets(new MCTransferSheets(m_history, m_transfers, this))
    , m_chat(new MCChatHost(m_history, this, m_transfers, this))
    , m_social(new MCSocialBook(m_chat, this))
    , m_avatars(new MCAvatars(m_social, m_chat, this))
    , m_invitations(new MCInvitationBook(m_social, m_avatars, this))
{
    m_history->setChatTitleTest(
        [social = m_social](const QString &title) { return social->entityForTitle(title); });
    m_chat->setPeople(m_social);
    m_social->setParts(m_invitations, m_avatars);
    m_avatars->setInvitations(m_invitations);
}

MCManager::~MCManager()
{
    if (s_instance == this)
        s_instance = nullptr;
}

QStringList MCManager::linkedProviders() const
{
    QStringList providers =
        MOUserAuthenticationManager::sharedInstance()->account().linkedProviders();
    for (const QString &provider : m_linkedSinceSignIn) {
        if (!providers.contains(provider))
            providers.append(provider);
    }
    return providers;
}

void MCManager::addLinkedProvider(const QString &provider)
{
    if (!m_linkedSinceSignIn.contains(provider))
        m_linkedSinceSignIn.append(provider);
}

QString MCManager::folderUnderSupport(const QString &name) const
{
    const QString path = QDir(applicationSupportPath()).filePath(name);
    QDir().mkpath(path);
    return path;
}

QString MCManager::applicationSupportPath() const
{
    const QString path = MOApplication::sharedInstance()->supportPath();
    if (!path.isEmpty())
        QDir().mkpath(path);
    return path;
}

QString MCManager::fakeFilesPath() const
{
    return folderUnderSupport(QStringLiteral("fakeFiles"));
}

QString MCManager::templatesPath() const
{
    return folderUnderSupport(QStringLiteral("templates"));
}

void MCManager::setupServices()
{
    if (servicesStarted())
        return;
    m_chat->start();
    MONotificationCenter *objects = MOObjectsManager::sharedInstance()->notificationCenter();
    objects->addObserver(m_history, &MCHistory::objectModifiedNotification,
                         MOObjectsModifiedUpdateNotification);
    objects->addObserver(m_history, &MCHistory::objectDeletedNotification,
                         MOObjectsDeletedUpdateNotification);
    objects->addObserver(m_history, &MCHistory::shareLinkNotification,
                         MOObjectsDidGetShareLinkNotification);
    m_avatars->start();
    m_social->start();
    m_servicesDiscoverer = new MCThirdPartyServicesDiscoverer(QString(), this);
    connect(m_servicesDiscoverer, &MCThirdPartyServicesDiscoverer::thirdPartyServiceDiscovered,
            this, [](const QString &service, const QString &root) {
                qCInfo(lcShell).noquote()
                    << QStringLiteral("Found service %1 with base path at %2").arg(service, root);
            });
    m_servicesDiscoverer->discover();
    QPointer<MOConversationsManager> conversations = m_social->conversationsManager();
    QTimer::singleShot(0, this, [conversations] {
        if (!conversations)
            return;
        conversations->listenForConversationsNotifications();
        conversations->listConversations();
    });
}

void MCManager::setupTransferBookkeeping(AlertPresenter *alerts, QWidget *window, Clock *clock)
{
    m_alerts = alerts;
    m_chat->setWindow(window);
    m_sheets->setup(alerts, window, clock);
    m_transfers->observeTransfers();
}

void MCManager::setDesktopNotifier(MCDesktopNotifier *notifier)
{
    m_chat->setDesktopNotifier(notifier);
    m_invitations->setDesktopNotifier(notifier);
}
