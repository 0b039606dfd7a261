#ifndef MCHUB_H
#define MCHUB_H

#include "mchistoryplace.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class AlertPresenter;
class MCAbstractObjectNode;
class MCBrowsableViewController;
class MCChatSupport;
class MCContact;
class MCGroup;
class MCJoinInvitation;
class MCOptions;
class MCThirdPartyServicesDiscoverer;
class MOConversationsManager;
class QMenu;
class QWidget;

using MCNodePtr = QSharedPointer<MCAbstractObjectNode>;

// The hub as the pages see it: where the window is and how to go elsewhere, the counters,
// the options and services, and the social entities it keeps. The shell makes the hub
// (MCManager) and the windows; pages reach it through this face only, so that no page needs
// the class that builds the window.
class MCHub : public QObject
{
    Q_OBJECT
public:
    using CompletionBlock = std::function<void()>;

    // The hub the shell makes; made on first use.
    static MCHub *sharedHub();

    // What is shown: the folder, or the page shown instead of the browser.
    virtual QString currentPath() const = 0;
    virtual MCNodePtr currentNode() const = 0;
    virtual MCNodePtr modelRootNode() const = 0;
    virtual QString notBrowsablePath() const = 0;
    virtual void setNotBrowsablePath(const QString &path) = 0;
    virtual QWidget *notBrowsableController() const = 0;
    virtual MCBrowsableViewController *selectedController() const = 0;
    virtual bool isSelectedController(const MCBrowsableViewController *controller) const = 0;
    // The context menu of selected items and the one of a view's background; null before the
    // shell made them.
    virtual QMenu *selectionContextMenu() const = 0;
    virtual QMenu *backgroundContextMenu() const = 0;

    // Navigation: leaves any page for the folder at path; a new place; the history.
    virtual void changeToPath(const QString &path, QObject *sender,
                              CompletionBlock completion = {}) = 0;
    virtual void doubleClickNavigation(const QString &path, QObject *sender) = 0;
    virtual void addBackPlace(const MCHistoryPlace &place) = 0;
    virtual MCHistoryPlace shownPlace() const = 0;
    virtual void clearForwardHistory() = 0;

    virtual void setTotalCount(qint64 count) = 0;
    virtual qint64 currentUploadsCount() const = 0;
    virtual void setCurrentUploadsCount(qint64 count) = 0;
    virtual qint64 currentDownloadsCount() const = 0;
    virtual void setCurrentDownloadsCount(qint64 count) = 0;

    virtual MCOptions *options() const = 0;
    virtual AlertPresenter *alerts() const = 0;
    virtual AlertPresenter *alertPresenter() const = 0;
    virtual QString fakeFilesPath() const = 0;
    virtual void downloadFileAtPath(const QString &remotePath, const QString &toPath,
                                    const QVariantMap &userData = {},
                                    qint64 overwriteStrategy = 3) = 0;
    virtual void uploadFileAtPath(const QString &localPath, const QString &toPath, bool shouldCache,
                                  const QVariantMap &userData = {}) = 0;
    virtual MCThirdPartyServicesDiscoverer *servicesDiscoverer() const = 0;
    virtual MOConversationsManager *conversationsManager() const = 0;

    // The social entities: contacts, groups, join invitations, chat state.
    virtual QList<MCContact *> contacts() const = 0;
    virtual QList<MCGroup *> groups() const = 0;
    virtual QList<MCJoinInvitation *> userMessages() const = 0;
    virtual qint64 unreadNotifications() const = 0;
    virtual QStringList linkedProviders() const = 0;
    virtual MCChatSupport &chatSupport() = 0;
    virtual void addContacts(const QList<MCContact *> &contacts) = 0;
    virtual void acceptJoinInvitation(MCJoinInvitation *row) = 0;
    virtual void declineJoinInvitation(MCJoinInvitation *row) = 0;

signals:
    void currentPathChanged();
    void currentNodeChanged();
    void notBrowsablePathChanged();
    void arrayBackChanged();
    void arrayForwardChanged();
    void selectedCountChanged();
    void totalCountChanged();
    void currentUploadsCountChanged();
    void currentDownloadsCountChanged();
    // Once per batch of new contacts or groups, however many it held.
    void contactsChanged();
    void groupsChanged();
    void userMessagesChanged();
    void unreadNotificationsChanged();
    void avatarChanged();
    // A group asked for was not made; reason: the service's, or empty.
    void groupCreationFailed(const QString &reason);
    // The picture given to updateAvatar() was uploaded and is now the avatar.
    void avatarUpdated();
    // The picture given to updateAvatar() was not uploaded; status: the service's, or 0.
    void avatarUpdateFailed(int status);

protected:
    MCHub() = default;
};

#endif // MCHUB_H
