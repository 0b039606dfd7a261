// What the hub gives the chat: the signed-in account, the window's state, and the services that
// send messages and files for the entities.
#include "mcchathost.h"

#include "alertpresenter.h"
#include "mcabstractobjectnode.h"
#include "mcaddpeoplecontroller.h"
#include "mcchatviewcontroller.h"
#include "mcdesktopnotifier.h"
#include "mcgroup.h"
#include "mchistory.h"
#include "mcnotificationtext.h"
#include "mcoptions.h"
#include "mcpeople.h"
#include "mcsessionservices.h"
#include "mcshelllogging.h"
#include "mcsocialentity.h"
#include "mcthirdpartyservicesdiscoverer.h"
#include "mctransfers.h"
#include "mocollaborationmanager.h"
#include "moconversationsmanager.h"
#include "mouserauthenticationmanager.h"
#include "soundplayer.h"

#include <QApplication>
#include <QFileInfo>
#include <QWidget>

MCChatHost::MCChatHost(MCHistory *history, MCSessionServices *services, MCTransfers *transfers,
                       QObject *parent)
    : QObject(parent)
    , m_history(history)
    , m_services(services)
    , m_transfers(transfers)
{}

void MCChatHost::start()
{
    m_chatSince = QDateTime::currentDateTimeUtc().addSecs(-1);
    connect(&m_chatSupport, &MCChatSupport::notificationDelivered, this,
            &MCChatHost::notifyOnDesktop);
}

void MCChatHost::setWindow(QWidget *window)
{
    m_window = window;
}

MCDesktopNotifier *MCChatHost::desktopNotifier() const
{
    return m_desktopNotifier;
}

void MCChatHost::setDesktopNotifier(MCDesktopNotifier *notifier)
{
    m_desktopNotifier = notifier;
}

MCOptions *MCChatHost::options() const
{
    return m_services->options();
}

QString MCChatHost::notBrowsablePath() const
{
    return m_history->notBrowsablePath();
}

void MCChatHost::sendMessage(const MOMessage &message, MCSocialEntity *entity)
{
    MOConversationsManager *conversations = m_people ? m_people->conversationsManager() : nullptr;
    if (conversations && entity)
        conversations->postMessage(message, entity->identifier());
}

MOUserAccount MCChatHost::signedInAccount() const
{
    return MOUserAuthenticationManager::sharedInstance()->account();
}

bool MCChatHost::isApplicationActive() const
{
    // The user sees the chat only while the main window is the active one.
    return m_window && m_window->isActiveWindow() &&
           QApplication::applicationState() == Qt::ApplicationActive;
}

void MCChatHost::listMessagesBefore(MCSocialEntity *entity, const QDateTime &before,
                                    qint64 beforeId, int limit)
{
    MOConversationsManager *conversations = m_people ? m_people->conversationsManager() : nullptr;
    if (conversations && entity)
        conversations->listMessagesOfConversationWithIdentifier(entity->identifier(), before, limit,
                                                                beforeId);
}

void MCChatHost::sendTransferInvitation(const QString &path, const QDateTime &creationDate,
                                        MCSocialEntity *entity, const QString &provider)
{
    if (entity)
        MOCollaborationManager::sharedInstance()->sendTransferInvitationForPath(
            path, creationDate, entity->chatRoom(), provider);
}

void MCChatHost::acceptCollaboration(const MOCollaboration &collaboration)
{
    MOCollaborationManager::sharedInstance()->accept(collaboration);
}

void MCChatHost::rejectCollaboration(const QString &token)
{
    MOCollaborationManager::sharedInstance()->reject(token);
}

void MCChatHost::uploadForChat(const QStringList &localPaths, QWidget *window)
{
    MCTransfers *transfers = m_transfers;
    const auto upload = [transfers, localPaths] {
        for (const QString &path : localPaths)
            transfers->uploadFileAtPath(path, QStringLiteral("/") + QFileInfo(path).fileName(),
                                        false);
    };
    MCOptions *options = m_services->options();
    if (options->value(MCOptions::AppDelegate, QStringLiteral("DirectContactUploadAction"))
            .toBool()) {
        upload();
        return;
    }
    AlertPresenter *alerts = m_services->alerts();
    if (!alerts) {
        qCWarning(lcShell) << "No one to ask about sending local files; nothing sent";
        return;
    }
    Alert alert;
    alert.messageText = tr("External Files");
    alert.informativeText =
        tr("You are trying to send one or more files to a contact. The file(s) need to be sent "
           "to Kerlo before continuing. Upon completion, you will be able to send those files "
           "to your contact.");
    alert.buttons = QStringList{tr("OK"), tr("Cancel")};
    alert.suppressionText = tr("Do not show this message again");
    QPointer<MCChatHost> self(this);
    alerts->present(alert, window, [self, upload](const AlertAnswer &answer) {
        if (!self)
            return;
        if (answer.suppressed)
            self->m_services->options()->setValue(
                MCOptions::AppDelegate, QStringLiteral("DirectContactUploadAction"), true);
        if (answer.button == 0)
            upload();
    });
}

QString MCChatHost::pathForService(const QString &service) const
{
    MCThirdPartyServicesDiscoverer *discoverer = m_services->servicesDiscoverer();
    return discoverer ? discoverer->pathForService(service) : QString();
}

MOStorageObject MCChatHost::remoteObject(const QString &path) const
{
    MOStorageObject object;
    const MCNodePtr root = m_history->modelRootNode();
    MCNodePtr node = root;
    for (const QString &name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!node)
            break;
        node = node->childNamed(name);
    }
    if (!node || node == root)
        return object;
    object.setLabel(node->fileName());
    object.setBasePath(node->basePath());
    object.setSize(node->fileSize());
    object.setLastModified(node->fileDateModified());
    object.setType(node->isDir() ? MOStorageObject::Directory : MOStorageObject::RegularFile);
    return object;
}

void MCChatHost::goToReceivedFile(const QString &basePath, const QString &label)
{
    m_history->goToReceivedFile(basePath, label);
}

MCAddPeopleController *MCChatHost::newAddPeopleController(QWidget *parent)
{
    return new MCAddPeopleController(m_people, MOUserAuthenticationManager::sharedInstance(),
                                     parent);
}

MCChatPage *MCChatHost::newChatPage(MCSocialEntity *entity)
{
    return new MCChatViewController(entity, this);
}

void MCChatHost::playSound(const QString &name)
{
    if (m_sounds)
        m_sounds->play(name);
}

void MCChatHost::notifyOnDesktop(const QString &title, const QString &text)
{
    if (m_desktopNotifier)
        m_desktopNotifier->notify(MCDesktopNotifier::FileUpdate, title, text);
}

QString MCChatHost::arrivalTitle(MCSocialEntity *entity, const MOUserAccount &sender) const
{
    const MCContact *contact = m_chatSupport.contactByEmail(sender.email());
    const QString name = contact ? contact->fullName() : sender.email();
    return qobject_cast<MCGroup *>(entity) ? tr("%1 in %2").arg(name, entity->roomName()) : name;
}

void MCChatHost::entityMessagesArrived(MCSocialEntity *entity, const QList<MOMessage> &messages)
{
    // History pages bring unread messages too; only what was sent during this session is news.
    for (const MOMessage &message : messages) {
        if (!m_chatSince.isValid() || message.sentAt() < m_chatSince)
            continue;
        const QString title = arrivalTitle(entity, message.sender());
        if (m_desktopNotifier)
            // Only the start is shown: a huge body is not copied whole on its way there.
            m_desktopNotifier->notify(
                MCDesktopNotifier::Message, title,
                m_emoji.emojify(message.body().left(2 * MCNotificationText::MaximumBodyLength))
                    .text);
    }
}

void MCChatHost::entityFilesOffered(MCSocialEntity *entity, const QList<MOCollaboration> &offers)
{
    // Each offer is news as a message is, the second as much as the first; the listing at
    // sign-in brings older ones, which are not.
    for (const MOCollaboration &offer : offers) {
        if (!m_chatSince.isValid() || offer.createdAt() < m_chatSince || !m_desktopNotifier)
            continue;
        const QString label = offer.resource().value<MOStorageObject>().label();
        m_desktopNotifier->notify(MCDesktopNotifier::FileOffer,
                                  arrivalTitle(entity, offer.sender()),
                                  tr("Offers you a file: %1").arg(label));
    }
}
