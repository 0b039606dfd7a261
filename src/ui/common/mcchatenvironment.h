#ifndef MCCHATENVIRONMENT_H
#define MCCHATENVIRONMENT_H

#include "mostorageobject.h"
#include "mouseraccount.h"

#include <QDateTime>
#include <QString>

class MCAddPeopleController;
class MCChatPage;
class MCChatSupport;
class MCEmoji;
class MCOptions;
class MCSocialEntity;
class MOCollaboration;
class MOMessage;
class QStringList;
class QWidget;

// What the social entities and their chat pages need from the rest of the interface: the
// shared chat state, the signed-in account, the options, which page is shown, the services
// that send messages and files. The hub implements it; a unit test may fake it.
class MCChatEnvironment
{
public:
    virtual ~MCChatEnvironment() = default;

    virtual MCChatSupport &chatSupport() = 0;
    virtual MCEmoji &sharedEmoji() = 0;
    virtual MOUserAccount signedInAccount() const = 0;
    virtual MCOptions *options() const = 0;
    // The page shown instead of the browser (an entity's title while its chat is shown).
    virtual QString notBrowsablePath() const = 0;
    // The main window is the active window: the user sees what it shows.
    virtual bool isApplicationActive() const = 0;

    virtual void sendMessage(const MOMessage &message, MCSocialEntity *entity) = 0;
    // The page of at most limit messages of entity's conversation stored before the message
    // beforeId, or, where the service pages only by time, before the second before.
    virtual void listMessagesBefore(MCSocialEntity *entity, const QDateTime &before,
                                    qint64 beforeId, int limit) = 0;

    // Files in chat.
    virtual void sendTransferInvitation(const QString &path, const QDateTime &creationDate,
                                        MCSocialEntity *entity, const QString &provider) = 0;
    virtual void acceptCollaboration(const MOCollaboration &collaboration) = 0;
    virtual void rejectCollaboration(const QString &token) = 0;
    // Local files dropped for a chat go to the root of the user's store first, once the user
    // agreed (window: the alert's parent).
    virtual void uploadForChat(const QStringList &localPaths, QWidget *window) = 0;
    // The remote file at path as the browser knows it (size, date, folder or not); Invalid
    // type when it is not known.
    virtual MOStorageObject remoteObject(const QString &path) const = 0;
    // The local root folder of another provider's synchronised files; empty when unknown.
    virtual QString pathForService(const QString &service) const = 0;
    // Leaves the chat for the browser at basePath, label selected.
    virtual void goToReceivedFile(const QString &basePath, const QString &label) = 0;
    virtual void playSound(const QString &name) = 0;
    // A people picker over the user's contacts, for a chat page's add-people popover.
    virtual MCAddPeopleController *newAddPeopleController(QWidget *parent) = 0;
    // The chat page of entity, for the entity to keep.
    virtual MCChatPage *newChatPage(MCSocialEntity *entity) = 0;
};

#endif // MCCHATENVIRONMENT_H
