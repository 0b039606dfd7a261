// What the hub gives the chat: the signed-in account, the window's state, and the services that
// send messages and files for the entities.
#include "mcmanager.h"
#include "mcthirdpartyservicesdiscoverer.h"

#include "alertpresenter.h"
#include "mcabstractobjectnode.h"
#include "mcaddpeoplecontroller.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatviewcontroller.h"
#include "mcdesktopnotifier.h"
#include "mcgroup.h"
#include "mcnotificationtext.h"
#include "mcoptions.h"
#include "mcremotepath.h"
#include "mcshelllogging.h"
#include "mcsocialentity.h"
#include "mocollaborationmanager.h"
#include "moconversationsmanager.h"
#include "mouserauthenticationmanager.h"
#include "soundplayer.h"

#include <QApplication>
#include <QFileInfo>
#include <QWidget>

MOUserAccount MCManager::signedInAccount() const
{
    return MOUserAuthenticationManager::sharedInstance()->account();
}

QStringList MCManager::linkedProviders() const
{
    QStringList providers = signedInAccount().linkedProviders();
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

bool MCManager::isApplicationActive() const
{
    // The user sees the chat only while the main window is the active one.
    return m_sheetWindow && m_sheetWindow->isActiveWindow() &&
           QApplication::applicationState() == Qt::ApplicationActive;
}

void MCManager::listMessagesBefore(MCSocialEntity *entity, const QDateTime &before, qint64 beforeId,
                                   int limit)
{
    if (m_conversationsManager && entity)
        m_conversationsManager->listMessagesOfConversationWithIdentifier(entity->identifier(),
                                                                         before, limit, beforeId);
}

void MCManager::sendTransferInvitation(const QString &path, const QDateTime &creationDate,
                                       MCSocialEntity *entity, const QString &provider)
{
    if (entity)
        MOCollaborationManager::sharedInstance()->sendTransferInvitationForPath(
            path, creationDate, entity->chatRoom(), provider);
}

void MCManager::acceptCollaboration(const MOCollaboration &collaboration)
{
    MOCollaborationManager::sharedInstance()->accept(collaboration);
}

void MCManager::rejectCollaboration(const QString &token)
{
    MOCollaborationManager::sharedInstance()->reject(token);
}

void MCManager::uploadForChat(const QStringList &localPaths, QWidget *window)
{
    const auto upload = [this, localPaths] {
        for (const QString &path : localPaths)
            uploadFileAtPath(path, QStringLiteral("/") + QFileInfo(path).fileName(), false);
    };
    if (m_options->value(MCOptions::AppDelegate, QStringLiteral("DirectContactUploadAction"))
            .toBool()) {
        upload();
        return;
    }
    if (!m_alerts) {
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
    QPointer<MCManager> self(this);
    m_alerts->present(alert, window, [self, upload](const AlertAnswer &answer) {
        if (!self)
            return;
        if (answer.suppressed)
            self->m_options->setValue(MCOptions::AppDelegate,
                                      QStringLiteral("DirectContactUploadAction"), true);
        if (answer.button == 0)
            upload();
    });
}

QString MCManager::pathForService(const QString &service) const
{
    return m_servicesDiscoverer ? m_servicesDiscoverer->pathForService(service) : QString();
}

MOStorageObject MCManager::remoteObject(const QString &path) const
{
    MOStorageObject object;
    MCNodePtr node = m_modelRootNode;
    for (const QString &name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!node)
            break;
        node = node->childNamed(name);
    }
    if (!node || node == m_modelRootNode)
        return object;
    object.setLabel(node->fileName());
    object.setBasePath(node->basePath());
    object.setSize(node->fileSize());
    object.setLastModified(node->fileDateModified());
    object.setType(node->isDir() ? MOStorageObject::Directory : MOStorageObject::RegularFile);
    return object;
}

void MCManager::goToReceivedFile(const QString &basePath, const QString &label)
{
    if (!m_notBrowsablePath.isEmpty())
        addBackPlace(shownPlace());
    clearForwardHistory();
    setNotBrowsablePath(QStringLiteral(""));
    const QString path = MCRemotePath::joined(basePath, label);
    changeToPath(basePath, this, [this, path] {
        if (m_selectedController)
            m_selectedController->selectPaths({path});
    });
}

MCAddPeopleController *MCManager::newAddPeopleController(QWidget *parent)
{
    return new MCAddPeopleController(this, MOUserAuthenticationManager::sharedInstance(), parent);
}

MCChatPage *MCManager::newChatPage(MCSocialEntity *entity)
{
    return new MCChatViewController(entity, this);
}

void MCManager::playSound(const QString &name)
{
    if (m_sounds)
        m_sounds->play(name);
}

void MCManager::notifyOnDesktop(const QString &title, const QString &text)
{
    if (m_desktopNotifier)
        m_desktopNotifier->notify(MCDesktopNotifier::FileUpdate, title, text);
}

QString MCManager::arrivalTitle(MCSocialEntity *entity, const MOUserAccount &sender) const
{
    const MCContact *contact = m_chatSupport.contactByEmail(sender.email());
    const QString name = contact ? contact->fullName() : sender.email();
    return qobject_cast<MCGroup *>(entity) ? tr("%1 in %2").arg(name, entity->roomName()) : name;
}

void MCManager::entityMessagesArrived(MCSocialEntity *entity, const QList<MOMessage> &messages)
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

void MCManager::entityFilesOffered(MCSocialEntity *entity, const QList<MOCollaboration> &offers)
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
