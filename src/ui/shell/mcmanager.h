#ifndef MCMANAGER_H
#define MCMANAGER_H

#include "mcavatars.h"
#include "mcchathost.h"
#include "mchistory.h"
#include "mchub.h"
#include "mcinvitationbook.h"
#include "mcsessionservices.h"
#include "mcsocialbook.h"
#include "mctransfers.h"
#include "mctransfersheets.h"
#include "mcwindowcounters.h"

#include <QObject>
#include <QStringList>

class AlertPresenter;
class Clock;
class MCDesktopNotifier;
class MCOptions;
class MCThirdPartyServicesDiscoverer;
class SoundPlayer;

// The interface's one shared state, made of parts the hub owns: the history and navigation,
// the counters, the transfers and their download marks, the sheets about the core's failures,
// the social book with its invitations and avatars, and the chat environment. The hub itself
// keeps what lives from sign-in to the end of the process (the options, the alert presenter,
// the discovered services, the support folders), hands each page the faces it uses, and
// forwards the shell's calls to the parts. Main thread only.
class MCManager
    : public QObject
    , public MCHub
    , public MCSessionServices
{
    Q_OBJECT
public:
    // The instance the shell made; created on first use.
    static MCManager *sharedManager();
    // Destroys the instance; the next sharedManager() makes a new one.
    static void dismissSharedManager();

    // The parts.
    MCHistory *history() const { return m_history; }
    MCWindowCounters *windowCounters() const { return m_counters; }
    MCChatHost *chat() const { return m_chat; }
    MCSocialBook *socialBook() const { return m_social; }
    MCAvatars *avatars() const { return m_avatars; }

    // MCHub: the faces.
    MCNavigation *navigation() override { return m_history; }
    MCCounters *counters() override { return m_counters; }
    MCTransferStarter *transfers() override { return m_transfers; }
    MCPeople *people() override { return m_social; }
    MCInbox *inbox() override { return m_invitations; }
    MCSessionServices *services() override { return this; }

    // MCSessionServices
    MCOptions *options() const override { return m_options; }
    AlertPresenter *alerts() const override { return m_alerts; }
    MCThirdPartyServicesDiscoverer *servicesDiscoverer() const override
    {
        return m_servicesDiscoverer;
    }
    QStringList linkedProviders() const override;
    void addLinkedProvider(const QString &provider);
    QString fakeFilesPath() const override;
    // The hub's folders under the support folder, made on first use.
    QString applicationSupportPath() const;
    QString templatesPath() const;

    // Once per session: the social services and the observers of the objects facade's
    // changes.
    void setupServices();
    bool servicesStarted() const { return m_social->conversationsManager() != nullptr; }
    MOConversationsManager *conversationsManager() const
    {
        return m_social->conversationsManager();
    }
    // Where the core's failures are asked about: sheets on window through alerts, one at a
    // time; clock dates conflicted copies. Registers the sheets for the core's messages and
    // the download marks for the objects facade's transfers. None is owned.
    void setupTransferBookkeeping(AlertPresenter *alerts, QWidget *window, Clock *clock);
    // Where arrivals are told on the desktop while the window is not in front; not owned,
    // null until the shell sets it.
    MCDesktopNotifier *desktopNotifier() const { return m_chat->desktopNotifier(); }
    void setDesktopNotifier(MCDesktopNotifier *notifier);
    // Not owned; sounds are not played without one.
    void setSoundPlayer(SoundPlayer *sounds) { m_chat->setSoundPlayer(sounds); }

    // History and navigation (MCHistory).
    QString currentPath() const { return m_history->currentPath(); }
    MCNodePtr currentNode() const { return m_history->currentNode(); }
    MCNodePtr modelRootNode() const { return m_history->modelRootNode(); }
    QString notBrowsablePath() const { return m_history->notBrowsablePath(); }
    void setNotBrowsablePath(const QString &path) { m_history->setNotBrowsablePath(path); }
    QWidget *notBrowsableController() const { return m_history->notBrowsableController(); }
    void setNotBrowsableController(QWidget *controller)
    {
        m_history->setNotBrowsableController(controller);
    }
    MCBrowsableViewController *selectedController() const
    {
        return m_history->selectedController();
    }
    void setSelectedController(MCBrowsableViewController *controller)
    {
        m_history->setSelectedController(controller);
    }
    bool isSelectedController(const MCBrowsableViewController *controller) const
    {
        return m_history->isSelectedController(controller);
    }
    MCMenuSelection *menuSelection() const { return m_history->menuSelection(); }
    void setMenuSelection(MCMenuSelection *menu) { m_history->setMenuSelection(menu); }
    MCMenuNoSelection *menuNoSelection() const { return m_history->menuNoSelection(); }
    void setMenuNoSelection(MCMenuNoSelection *menu) { m_history->setMenuNoSelection(menu); }
    bool showHiddenFiles() const { return m_history->showHiddenFiles(); }
    void setShowHiddenFiles(bool show) { m_history->setShowHiddenFiles(show); }
    QStringList arrayBack() const { return m_history->arrayBack(); }
    QStringList arrayForward() const { return m_history->arrayForward(); }
    QList<MCHistoryPlace> backPlaces() const { return m_history->backPlaces(); }
    QList<MCHistoryPlace> forwardPlaces() const { return m_history->forwardPlaces(); }
    void changeToPath(const QString &path, QObject *sender,
                      MCNavigation::CompletionBlock completion = {})
    {
        m_history->changeToPath(path, sender, std::move(completion));
    }
    void doubleClickNavigation(const QString &path, QObject *sender)
    {
        m_history->doubleClickNavigation(path, sender);
    }
    void addBackPath(const MCHistoryPlace &place) { m_history->addBackPath(place); }
    void addForwardPath(const MCHistoryPlace &place) { m_history->addForwardPath(place); }
    MCHistoryPlace shownPlace() const { return m_history->shownPlace(); }
    MCHistoryPlace backPath() { return m_history->backPath(); }
    MCHistoryPlace forwardPath() { return m_history->forwardPath(); }
    void clearForwardHistory() { m_history->clearForwardHistory(); }
    void removeNearestHistory(bool back, int count)
    {
        m_history->removeNearestHistory(back, count);
    }
    void backForwardRemovePath(const QString &path) { m_history->backForwardRemovePath(path); }

    // The counters (MCWindowCounters).
    qint64 selectedCount() const { return m_counters->selectedCount(); }
    void setSelectedCount(qint64 count) { m_counters->setSelectedCount(count); }
    qint64 totalCount() const { return m_counters->totalCount(); }
    void setTotalCount(qint64 count) { m_counters->setTotalCount(count); }
    qint64 currentUploadsCount() const { return m_counters->currentUploadsCount(); }
    qint64 currentDownloadsCount() const { return m_counters->currentDownloadsCount(); }

    // Transfers (MCTransfers, MCTransferSheets).
    void downloadFileAtPath(const QString &remotePath, const QString &toPath,
                            const QVariantMap &userData = {},
                            qint64 overwriteStrategy = MOObjectTransferRequest::Resume)
    {
        m_transfers->downloadFileAtPath(remotePath, toPath, userData, overwriteStrategy);
    }
    void uploadFileAtPath(const QString &localPath, const QString &toPath, bool shouldCache,
                          const QVariantMap &userData = {})
    {
        m_transfers->uploadFileAtPath(localPath, toPath, shouldCache, userData);
    }
    MCDownloadMarks *downloadMarks() const { return m_transfers->downloadMarks(); }
    static QString conflictedCopyPath(const QString &localPath, const QDateTime &localTime)
    {
        return MCTransferSheets::conflictedCopyPath(localPath, localTime);
    }
    int queuedSheetCount() const { return m_sheets->queuedSheetCount(); }
    bool isShowingSheet() const { return m_sheets->isShowingSheet(); }

    // The social book (MCSocialBook, MCInvitationBook, MCAvatars, MCChatHost).
    QList<MCContact *> contacts() const { return m_social->contacts(); }
    QList<MCGroup *> groups() const { return m_social->groups(); }
    MCSocialEntity *socialEntity(qint64 conversationId) const
    {
        return m_social->socialEntity(conversationId);
    }
    MCSocialEntity *entityForTitle(const QString &title) const
    {
        return m_social->entityForTitle(title);
    }
    MCContact *contactWithEmail(const QString &email) const
    {
        return m_social->contactWithEmail(email);
    }
    qint64 p2pConversationId(const QString &email) const
    {
        return m_social->p2pConversationId(email);
    }
    QString p2pRecipient(qint64 conversationId) const
    {
        return m_social->p2pRecipient(conversationId);
    }
    MCChatSupport &chatSupport() { return m_chat->chatSupport(); }
    void sendMessage(const MOMessage &message, MCSocialEntity *entity)
    {
        m_chat->sendMessage(message, entity);
    }
    QList<MCJoinInvitation *> userMessages() const { return m_invitations->userMessages(); }
    qint64 unreadNotifications() const { return m_invitations->unreadNotifications(); }
    void setUnreadNotifications(qint64 count) { m_invitations->setUnreadNotifications(count); }
    void acceptJoinInvitation(MCJoinInvitation *row) { m_invitations->acceptJoinInvitation(row); }
    void declineJoinInvitation(MCJoinInvitation *row) { m_invitations->declineJoinInvitation(row); }
    static constexpr int MaximumAnsweredMessages = MCInvitationBook::MaximumAnsweredMessages;
    QPixmap avatar() const { return m_avatars->avatar(); }
    void requestAvatar(const MOUserAccount &account) { m_avatars->requestAvatar(account); }

private:
    MCManager();
    ~MCManager() override;
    QString folderUnderSupport(const QString &name) const;

    MCOptions *m_options;
    MCThirdPartyServicesDiscoverer *m_servicesDiscoverer = nullptr;
    AlertPresenter *m_alerts = nullptr;
    QStringList m_linkedSinceSignIn;
    MCWindowCounters *m_counters;
    MCHistory *m_history;
    MCTransfers *m_transfers;
    MCTransferSheets *m_sheets;
    MCChatHost *m_chat;
    MCSocialBook *m_social;
    MCAvatars *m_avatars;
    MCInvitationBook *m_invitations;
};

#endif // MCMANAGER_H
