#ifndef MCCHATHOST_H
#define MCCHATHOST_H

#include "mcchatenvironment.h"
#include "mcchatsupport.h"
#include "mcemoji.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

class MCDesktopNotifier;
class MCHistory;
class MCPeople;
class MCSessionServices;
class MCTransfers;
class SoundPlayer;

// The chat environment: what the social entities and their pages work with (the shared chat
// state, the signed-in account, the services that send messages and files), and the desktop
// notifications of what arrives while the window is not in front.
class MCChatHost
    : public QObject
    , public MCChatEnvironment
{
    Q_OBJECT
public:
    MCChatHost(MCHistory *history, MCSessionServices *services, MCTransfers *transfers,
               QObject *parent = nullptr);

    // Where the entities' conversations are; set once, before the session starts.
    void setPeople(MCPeople *people) { m_people = people; }
    // Messages sent from now on arrive; older ones are history.
    void start();
    // The main window: the chat is seen only while it is the active one.
    void setWindow(QWidget *window);
    // Not owned; sounds are not played without one.
    void setSoundPlayer(SoundPlayer *sounds) { m_sounds = sounds; }
    // Where arrivals are told on the desktop while the window is not in front; not owned,
    // null until the shell sets it.
    MCDesktopNotifier *desktopNotifier() const;
    void setDesktopNotifier(MCDesktopNotifier *notifier);
    // A desktop notification, when the window is not in front.
    void notifyOnDesktop(const QString &title, const QString &text);
    // News from entity's conversation, told on the desktop when it was sent during this
    // session.
    void entityMessagesArrived(MCSocialEntity *entity, const QList<MOMessage> &messages);
    void entityFilesOffered(MCSocialEntity *entity, const QList<MOCollaboration> &offers);

    // MCChatEnvironment
    MCChatSupport &chatSupport() override { return m_chatSupport; }
    MCEmoji &sharedEmoji() override { return m_emoji; }
    MOUserAccount signedInAccount() const override;
    MCOptions *options() const override;
    QString notBrowsablePath() const override;
    bool isApplicationActive() const override;
    void sendMessage(const MOMessage &message, MCSocialEntity *entity) override;
    void listMessagesBefore(MCSocialEntity *entity, const QDateTime &before, qint64 beforeId,
                            int limit) override;
    void sendTransferInvitation(const QString &path, const QDateTime &creationDate,
                                MCSocialEntity *entity, const QString &provider) override;
    void acceptCollaboration(const MOCollaboration &collaboration) override;
    void rejectCollaboration(const QString &token) override;
    void uploadForChat(const QStringList &localPaths, QWidget *window) override;
    MOStorageObject remoteObject(const QString &path) const override;
    QString pathForService(const QString &service) const override;
    void goToReceivedFile(const QString &basePath, const QString &label) override;
    void playSound(const QString &name) override;
    MCAddPeopleController *newAddPeopleController(QWidget *parent) override;
    MCChatPage *newChatPage(MCSocialEntity *entity) override;

private:
    // Who a desktop notification of an arrival in entity's chat names: the sender, and the
    // group.
    QString arrivalTitle(MCSocialEntity *entity, const MOUserAccount &sender) const;

    MCHistory *m_history;
    MCSessionServices *m_services;
    MCTransfers *m_transfers;
    MCPeople *m_people = nullptr;
    QPointer<QWidget> m_window;
    SoundPlayer *m_sounds = nullptr;
    QPointer<MCDesktopNotifier> m_desktopNotifier;
    MCChatSupport m_chatSupport;
    MCEmoji m_emoji;
    QDateTime m_chatSince;
};

#endif // MCCHATHOST_H
