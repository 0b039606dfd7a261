#ifndef MCMANAGER_H
#define MCMANAGER_H

#include "alert.h"
#include "mcabstractobjectnode.h"
#include "mcchatenvironment.h"
#include "mcchatsupport.h"
#include "mcemoji.h"
#include "mchistoryplace.h"
#include "mchub.h"
#include "moavatarmanagerdelegate.h"
#include "mocollaborationmanagerdelegate.h"
#include "moconversationsmanagerdelegate.h"
#include "moobjectsmanagerdelegates.h"
#include "mopostednotification.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class QTimer;
class SoundPlayer;

class AlertPresenter;
class Clock;
class MCBrowsableViewController;
class MCContact;
class MCDesktopNotifier;
class MCDownloadMarks;
class MCGroup;
class MCJoinInvitation;
class MCSocialEntity;
class MCMenuNoSelection;
class MCMenuSelection;
class MCOptions;
class MCThirdPartyServicesDiscoverer;
class MOAvatarManager;
class MOConversationsManager;
class MOCoreNotification;
class MOObjectsManager;
class MOObjectTransferRequest;
class QWidget;

// The interface's one shared state: the folder shown, the page shown instead of the browser,
// the back and forward history, the options mirrored from the user defaults, the counters,
// and the services that live from sign-in to the end of the process. Main thread only, except
// the counters, which are guarded.
class MCManager
    : public MCHub
    , public MOObjectsManagerHierarchyDelegate
    , public MOCollaborationManagerDelegate
    , public MOConversationsManagerDelegate
    , public MOAvatarManagerDelegate
    , public MCChatEnvironment
{
    Q_OBJECT
    Q_PROPERTY(QString currentPath READ currentPath WRITE setCurrentPath NOTIFY currentPathChanged)
    Q_PROPERTY(QString notBrowsablePath READ notBrowsablePath WRITE setNotBrowsablePath NOTIFY
                   notBrowsablePathChanged)
    Q_PROPERTY(QStringList arrayBack READ arrayBack NOTIFY arrayBackChanged)
    Q_PROPERTY(QStringList arrayForward READ arrayForward NOTIFY arrayForwardChanged)
    Q_PROPERTY(
        qint64 selectedCount READ selectedCount WRITE setSelectedCount NOTIFY selectedCountChanged)
    Q_PROPERTY(qint64 totalCount READ totalCount WRITE setTotalCount NOTIFY totalCountChanged)
    Q_PROPERTY(qint64 currentUploadsCount READ currentUploadsCount WRITE setCurrentUploadsCount
                   NOTIFY currentUploadsCountChanged)
    Q_PROPERTY(qint64 currentDownloadsCount READ currentDownloadsCount WRITE
                   setCurrentDownloadsCount NOTIFY currentDownloadsCountChanged)
    Q_PROPERTY(qint64 unreadNotifications READ unreadNotifications WRITE setUnreadNotifications
                   NOTIFY unreadNotificationsChanged)
    Q_PROPERTY(QPixmap avatar READ avatar WRITE setAvatar NOTIFY avatarChanged)
public:
    // The instance the shell made; created on first use.
    static MCManager *sharedManager();
    // Destroys the instance; the next sharedManager() makes a new one.
    static void dismissSharedManager();

    QString currentPath() const override { return m_currentPath; }
    void setCurrentPath(const QString &path);
    MCNodePtr currentNode() const override { return m_currentNode; }
    void setCurrentNode(const MCNodePtr &node);
    MCNodePtr modelRootNode() const override { return m_modelRootNode; }
    QString notBrowsablePath() const override { return m_notBrowsablePath; }
    void setNotBrowsablePath(const QString &path) override;
    QWidget *notBrowsableController() const override { return m_notBrowsableController; }
    void setNotBrowsableController(QWidget *controller) { m_notBrowsableController = controller; }
    MCBrowsableViewController *selectedController() const override { return m_selectedController; }
    void setSelectedController(MCBrowsableViewController *controller);
    bool isSelectedController(const MCBrowsableViewController *controller) const override;
    // The one context menu of selected items and the one of a view's background, shown by
    // every browser view; not owned.
    MCMenuSelection *menuSelection() const;
    void setMenuSelection(MCMenuSelection *menu);
    MCMenuNoSelection *menuNoSelection() const;
    void setMenuNoSelection(MCMenuNoSelection *menu);
    QMenu *selectionContextMenu() const override;
    QMenu *backgroundContextMenu() const override;
    bool showHiddenFiles() const { return m_showHiddenFiles; }
    void setShowHiddenFiles(bool show) { m_showHiddenFiles = show; }

    // The user-defaults dictionaries by key ("MCAppDelegate", "MCIconController", ...).
    // Readers and writers change them in place.
    MCOptions *options() const override { return m_options; }
    // Where questions are asked once the session is up (null before).
    AlertPresenter *alerts() const override { return m_alerts; }

    // The keys of the history's places, oldest first.
    QStringList arrayBack() const { return keysOf(m_arrayBack); }
    QStringList arrayForward() const { return keysOf(m_arrayForward); }
    QList<MCHistoryPlace> backPlaces() const { return m_arrayBack; }
    QList<MCHistoryPlace> forwardPlaces() const { return m_arrayForward; }

    // The counters are read and set on the main thread only, and their signals go out with no
    // lock held: a slot may ask anything of anyone.
    qint64 selectedCount() const { return m_selectedCount; }
    void setSelectedCount(qint64 count);
    qint64 totalCount() const;
    void setTotalCount(qint64 count) override;
    qint64 currentUploadsCount() const override;
    void setCurrentUploadsCount(qint64 count) override;
    qint64 currentDownloadsCount() const override;
    void setCurrentDownloadsCount(qint64 count) override;

    // The hub's folders under the support folder, made on first use.
    QString applicationSupportPath() const;
    QString fakeFilesPath() const override;
    QString templatesPath() const;

    // Once per session: the social services and the observers of the objects facade's
    // changes.
    void setupServices();
    bool servicesStarted() const { return m_conversationsManager != nullptr; }
    MOConversationsManager *conversationsManager() const override { return m_conversationsManager; }
    MOAvatarManager *avatarManager() const { return m_avatarManager; }
    MCThirdPartyServicesDiscoverer *servicesDiscoverer() const override
    {
        return m_servicesDiscoverer;
    }

    // Leaves any page and shows the folder at path; completion runs once the browser views
    // have its children.
    void changeToPath(const QString &path, QObject *sender,
                      CompletionBlock completion = {}) override;
    // A new place: forgets the forward history and remembers the current folder.
    void doubleClickNavigation(const QString &path, QObject *sender) override;
    void addBackPlace(const MCHistoryPlace &place) override;
    void addForwardPlace(const MCHistoryPlace &place);
    // What the window shows: the page or chat shown instead of the browser, else the folder.
    MCHistoryPlace shownPlace() const override;
    // Steps through the history and returns the place to show; null (and nothing changes)
    // when that side of the history is empty.
    MCHistoryPlace backPlace();
    MCHistoryPlace forwardPlace();
    void clearForwardHistory() override;
    // Forgets the count nearest entries of the back history (or of the forward one), each
    // removal announced; for a jump through a history menu.
    void removeNearestHistory(bool back, int count);
    // A folder moved or went: its entries follow it, or go with it.
    void backForwardReplacePath(const QString &oldPath, const QString &newPath);
    void backForwardRemovePath(const QString &path);

    // The interface's entry for transfers. A download overwrites what is at toPath unless
    // told otherwise (MOObjectTransferRequest::OverwriteStrategy); an upload of a folder
    // uploads the folder's contents as a group.
    void downloadFileAtPath(const QString &remotePath, const QString &toPath,
                            const QVariantMap &userData = {},
                            qint64 overwriteStrategy = 3) override;
    void uploadFileAtPath(const QString &localPath, const QString &toPath, bool shouldCache,
                          const QVariantMap &userData = {}) override;
    void transferObject(const MOObjectTransferRequest &request);

    // Where the core's failures are asked about: sheets on window through alerts, one at a
    // time; clock dates conflicted copies. Registers tolvoLibNotification() for the core's
    // messages and objectTransferProgressNotification() for the objects facade's transfers.
    // None is owned.
    void setupTransferBookkeeping(AlertPresenter *alerts, QWidget *window, Clock *clock);
    // A core message: a sheet for the failures the user can answer (an existing name, an
    // outdated local copy), a plain alert for other errors.
    void tolvoLibNotification(const MOPostedNotification &notification);
    // Marks a file a download is writing (the placeholder file and the progress attribute).
    void objectTransferProgressNotification(const MOPostedNotification &notification);
    MCDownloadMarks *downloadMarks() const { return m_downloadMarks.get(); }
    // The free name beside localPath for its conflicted copy made at localTime:
    // "<name> - conflicted yyyy-MM-dd at HH.mm.<ext>", with " 2", " 3"... when taken.
    static QString conflictedCopyPath(const QString &localPath, const QDateTime &localTime);
    // Sheets waiting behind the one shown (which is not counted).
    int queuedSheetCount() const { return m_sheets.size(); }
    bool isShowingSheet() const { return m_sheetShown; }

    void nodeFetchedNotification(const MOPostedNotification &notification);
    void objectModifiedNotification(const MOPostedNotification &notification);
    void objectDeletedNotification(const MOPostedNotification &notification);
    // A share link the service made: shown by the selection menu that asked for it.
    void shareLinkNotification(const MOPostedNotification &notification);

    // MOObjectsManagerHierarchyDelegate
    void objectsManagerDidFailForPathErrorUserData(MOObjectsManager *manager, const QString &path,
                                                   const MOError &error,
                                                   const QVariant &userData) override;

    // Social bookkeeping: one entity per conversation, the people of one-to-one
    // conversations, the join invitations and the avatars. Entities and rows live as long as
    // the hub.
    QList<MCContact *> contacts() const override { return m_contacts; }
    QList<MCGroup *> groups() const override { return m_groups; }
    QList<MCJoinInvitation *> userMessages() const override { return m_userMessages; }
    qint64 unreadNotifications() const override { return m_unreadNotifications; }
    void setUnreadNotifications(qint64 count);
    // The signed-in user's picture; null until one is known.
    QPixmap avatar() const { return m_avatar; }
    void setAvatar(const QPixmap &avatar);
    MCSocialEntity *socialEntity(qint64 conversationId) const;
    // The contact or group whose chat page is named title; null when none.
    MCSocialEntity *entityForTitle(const QString &title) const;

    // MCChatEnvironment: what the entities and their pages work with.
    MCChatSupport &chatSupport() override { return m_chatSupport; }
    MCEmoji &emoji() override { return m_emoji; }
    MOUserAccount signedInAccount() const override;
    // The providers whose folders the user linked: the account's, and those linked since it
    // was read.
    QStringList linkedProviders() const override;
    void addLinkedProvider(const QString &provider);
    bool isApplicationActive() const override;
    void listMessagesBefore(MCSocialEntity *entity, const QDateTime &before, qint64 beforeId,
                            int limit) override;
    void sendTransferInvitation(const QString &path, const QDateTime &creationDate,
                                MCSocialEntity *entity, const QString &provider) override;
    void acceptCollaboration(const MOCollaboration &collaboration) override;
    void rejectCollaboration(const QString &token) override;
    void uploadForChat(const QStringList &localPaths, QWidget *window) override;
    MOStorageObject remoteObject(const QString &path) const override;
    QString pathForService(const QString &service) const override;
    // Where the shell's questions are asked (none before the session's bookkeeping is set up).
    AlertPresenter *alertPresenter() const override { return m_alerts; }
    void goToReceivedFile(const QString &basePath, const QString &label) override;
    void playSound(const QString &name) override;
    MCAddPeopleController *newAddPeopleController(QWidget *parent) override;
    MCChatPage *newChatPage(MCSocialEntity *entity) override;
    // A desktop notification, when the window is not in front.
    void notifyOnDesktop(const QString &title, const QString &text);
    // Not owned; sounds are not played without one.
    void setSoundPlayer(SoundPlayer *sounds) { m_sounds = sounds; }
    // The conversation identifier of the one-to-one conversation with that person; 0 when none.
    qint64 p2pConversationId(const QString &email) const
    {
        return m_p2pRecipientIdMap.value(email);
    }
    QString p2pRecipient(qint64 conversationId) const
    {
        return m_p2pIdRecipientMap.value(conversationId);
    }

    // The entity of the conversation, made when it is new; null when none can stand for it
    // (a one-to-one conversation with nobody else in it).
    MCSocialEntity *insertOrFetchEntityForConversation(const MOConversation &conversation);
    void addContacts(const QList<MCContact *> &contacts) override;
    void addChatRooms(const QList<MCGroup *> &groups);
    // The contact with that e-mail (case does not matter); null when none.
    MCContact *contactWithEmail(const QString &email) const;
    void addCollaborationInvite(const QList<MOCollaboration> &collaborations);
    void collaborationNotification(const MOPostedNotification &notification);
    void sendMessage(const MOMessage &message, MCSocialEntity *entity) override;
    // The user answers a join invitation: the row waits for the service and is no longer unread.
    void acceptJoinInvitation(MCJoinInvitation *row) override;
    void declineJoinInvitation(MCJoinInvitation *row) override;
    // Answered rows kept at most; the oldest answered ones go first, unread rows always stay.
    static constexpr int MaximumAnsweredMessages = 200;

    // Where arrivals are told on the desktop while the window is not in front; not owned,
    // null until the shell sets it.
    MCDesktopNotifier *desktopNotifier() const;
    void setDesktopNotifier(MCDesktopNotifier *notifier);

    // The picture of account, from the cache or asked of the service.
    void requestAvatar(const MOUserAccount &account);
    // Uploads the picture at path as the signed-in user's.
    void updateAvatar(const QString &path);

    // MOCollaborationManagerDelegate
    void collaborationManagerDidSendInviteForCollaboration(
        MOCollaborationManager *, const MOCollaboration &collaboration) override;
    void collaborationManagerDidRejectCollaboration(MOCollaborationManager *,
                                                    const MOCollaboration &collaboration) override;
    void collaborationManagerDidAcceptCollaboration(MOCollaborationManager *,
                                                    const MOCollaboration &collaboration) override;
    void collaborationManagerDidListSentInvitationsOffsetLimit(
        MOCollaborationManager *, const QList<MOCollaboration> &collaborations, qint64,
        qint64) override;
    void collaborationManagerDidReceiveChangedCollaborations(
        MOCollaborationManager *, const QList<MOCollaboration> &collaborations) override;
    void collaborationManagerDidFailAcceptingWithError(MOCollaborationManager *,
                                                       const MOCollaboration &collaboration,
                                                       const MOError &error) override;
    void collaborationManagerDidFailSendingInviteForPath(MOCollaborationManager *,
                                                         const QString &path, qint64 conversationId,
                                                         const MOError &error) override;
    void collaborationManagerDidFailRejectingCollaboration(MOCollaborationManager *,
                                                           const QString &token,
                                                           const MOError &error) override;

    // MOConversationsManagerDelegate
    void conversationsManagerDidReceiveConversations(
        MOConversationsManager *manager, const QList<MOConversation> &conversations) override;
    void conversationsManagerDidReceiveMessagesForConversation(
        MOConversationsManager *, const QList<MOMessage> &messages,
        const MOConversation &conversation) override;
    void
    conversationsManagerDidReceiveUsersForConversation(MOConversationsManager *,
                                                       const QList<MOUserAccount> &users,
                                                       const MOConversation &conversation) override;
    void conversationsManagerDidStartConversation(MOConversationsManager *manager,
                                                  const MOConversation &conversation) override;
    void conversationsManagerDidFailStartingConversation(MOConversationsManager *,
                                                         const QString &reason) override;
    void conversationsManagerDidReceiveNewContacts(MOConversationsManager *,
                                                   const QList<MOUserAccount> &accounts) override;
    void conversationsManagerDidReceiveChangedStatusAccounts(
        MOConversationsManager *, const QList<MOUserAccount> &accounts) override;
    void conversationsManagerDidReceiveJoinInvitation(MOConversationsManager *,
                                                      const MOJoinInvitation &invitation) override;
    void conversationsManagerDidAcceptJoinInvitation(MOConversationsManager *,
                                                     const MOJoinInvitation &invitation) override;
    void conversationsManagerDidDeclineJoinInvitation(MOConversationsManager *,
                                                      const MOJoinInvitation &invitation) override;
    void conversationsManagerDidFailAcceptingJoinInvitation(MOConversationsManager *,
                                                            const MOJoinInvitation &invitation,
                                                            const MOError &error) override;
    void conversationsManagerDidFailDecliningJoinInvitation(MOConversationsManager *,
                                                            const MOJoinInvitation &invitation,
                                                            const MOError &error) override;
    void conversationsManagerDidFailSendingMessageForConversation(MOConversationsManager *,
                                                                  const MOMessage &message,
                                                                  qint64 conversationId,
                                                                  const MOError &error) override;
    // Nothing to keep: the echo of a sent message confirms its row.
    void conversationsManagerDidSendMessageForConversation(MOConversationsManager *,
                                                           const MOMessage &,
                                                           const MOConversation &) override
    {}

    // MOAvatarManagerDelegate
    void avatarManagerDidFetchAvatarAtPath(MOAvatarManager *, const MOUserAccount &account,
                                           const QString &path) override;
    void avatarManagerDidUpdateAvatarAtPath(MOAvatarManager *, const MOUserAccount &account,
                                            const QString &path) override;
    void avatarManagerDidFailUpdatingAvatar(MOAvatarManager *, int status) override;

private:
    MCManager();
    ~MCManager() override;
    static QStringList keysOf(const QList<MCHistoryPlace> &places);
    struct Sheet
    {
        Alert alert;
        std::function<void(int button)> answered;
        QString key;   // equal keys are one question: a repeat joins the one waiting
        QString kind;  // failures of one kind (code and action) gather into one sheet...
        int count = 1; // ...which counts them
    };
    // A warning with core's message, keyed so that a burst of the same failure is asked once.
    static Sheet sheetAbout(const MOCoreNotification &core);
    void presentSheet(Sheet sheet);
    // A plain failure: gathered with the others of its kind that come in a burst.
    void presentFailure(const MOCoreNotification &core);
    void presentGatheredFailures();
    void showNextSheet();
    void alertObjectExists(const MOPostedNotification &notification);
    void alertNameTaken(const MOPostedNotification &notification);
    void alertOutdatedLocalCopy(const MOPostedNotification &notification);
    void keepConflictedCopy(const MOObjectTransferRequest &request);
    QString folderUnderSupport(const QString &name) const;
    // Groups by conversation, each group's entity made first, and hands each group to the
    // first contact, then the first group, of that conversation.
    void handOverGrouped(const QList<MOCollaboration> &collaborations,
                         void (MCSocialEntity::*receive)(const QList<MOCollaboration> &));
    MCSocialEntity *entityOf(const MOCollaboration &collaboration);
    void answerJoinInvitation(MCJoinInvitation *row, bool accept);
    // The per-conversation listings (people, history page), sent a few per event-loop turn.
    enum class ConversationRequest { Users, Messages };
    void queueConversationRequest(ConversationRequest kind, qint64 conversationId);
    void sendConversationRequests();
    // The pictures of a listing's people (from the cache or the service), a few per turn too:
    // thousands at once held the window up.
    void queueAvatarRequest(const MOUserAccount &account);
    void sendAvatarRequests();
    void updateJoinInvitation(const MOJoinInvitation &invitation);
    // The user's answer to that invitation was not taken, for that error.
    void joinInvitationAnswerFailed(const MOJoinInvitation &invitation, const MOError &error);
    void dropOldAnsweredMessages();
    // Rows whose sender became a contact ask for no answer, and are no longer counted.
    void settleInvitationsFromContacts();
    // The picture at path for whoever has account's e-mail; alsoMet: the people met in group
    // conversations get it even when a contact did.
    void setAvatarOf(const MOUserAccount &account, const QString &path, bool alsoMet);
    static bool isSignedInAccount(const MOUserAccount &account);

    QString m_currentPath;
    // The folders asked for lately, the last asked last: an answer for an earlier one that
    // comes after a later request is not shown.
    QStringList m_requestedPaths;
    MCNodePtr m_currentNode;
    MCNodePtr m_modelRootNode;
    QString m_notBrowsablePath = QStringLiteral("");
    QPointer<QWidget> m_notBrowsableController;
    QPointer<MCBrowsableViewController> m_selectedController;
    QPointer<MCMenuSelection> m_menuSelection;
    QPointer<MCMenuNoSelection> m_menuNoSelection;
    bool m_showHiddenFiles = false;
    MCOptions *m_options;
    MCThirdPartyServicesDiscoverer *m_servicesDiscoverer = nullptr;
    QList<MCHistoryPlace> m_arrayBack;
    QList<MCHistoryPlace> m_arrayForward;
    qint64 m_selectedCount = 0;
    qint64 m_totalCount = 0;
    qint64 m_currentUploadsCount = 0;
    qint64 m_currentDownloadsCount = 0;
    MOAvatarManager *m_avatarManager = nullptr;
    QPointer<MCDesktopNotifier> m_desktopNotifier;
    MOConversationsManager *m_conversationsManager = nullptr;
    AlertPresenter *m_alerts = nullptr;
    QStringList m_linkedSinceSignIn;
    QPointer<QWidget> m_sheetWindow;
    Clock *m_clock = nullptr;
    QList<Sheet> m_sheets;
    bool m_sheetShown = false;
    QString m_shownSheetKey;
    QHash<qint64, MCSocialEntity *> m_socialEntities;
    QList<MCContact *> m_contacts;
    // m_contacts by lower-case e-mail: merges of hundreds of contacts stay linear.
    QHash<QString, MCContact *> m_contactsByEmail;
    QList<QPair<ConversationRequest, qint64>> m_conversationRequests;
    QList<MOUserAccount> m_avatarRequests;
    QList<MCGroup *> m_groups;
    QHash<QString, qint64> m_p2pRecipientIdMap;
    QHash<qint64, QString> m_p2pIdRecipientMap;
    QList<MCJoinInvitation *> m_userMessages;
    qint64 m_unreadNotifications = 0;
    QPixmap m_avatar;
    MCChatSupport m_chatSupport;
    MCEmoji m_emoji;
    QDateTime m_chatSince;
    void entityMessagesArrived(MCSocialEntity *entity, const QList<MOMessage> &messages);
    void entityFilesOffered(MCSocialEntity *entity, const QList<MOCollaboration> &offers);
    // Who a desktop notification of an arrival in entity's chat names: the sender, and the
    // group.
    QString arrivalTitle(MCSocialEntity *entity, const MOUserAccount &sender) const;
    SoundPlayer *m_sounds = nullptr;
    bool m_receivedInvitationsListed = false;
    QList<Sheet> m_gathering;
    QTimer *m_failureBurst = nullptr;
    QElapsedTimer m_burstAge;
    // The files downloads are writing, marked off the main thread.
    std::unique_ptr<MCDownloadMarks> m_downloadMarks;
};

#endif // MCMANAGER_H
