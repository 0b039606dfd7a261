// The entity's files in chat: offering files (prepared rows the user sends with their Send
// button), answering files received, and keeping the rows in step with the service's answers.
#include "mcsocialentity.h"

#include "mcchatenvironment.h"
#include "mcchatrowsmodel.h"
#include "mcchatsupport.h"
#include "mccontact.h"
#include "mcgroup.h"
#include "mcoptions.h"
#include "mcpeoplelog.h"
#include "mcsocialfailure.h"

#include <QFileInfo>
#include <QTimer>

namespace {

// MOCollaborationAcceptErrorDomain's codes.
enum AcceptError { SourceNotFound = 1, AlreadyAccepted = 2, InvitationNotFound = 4 };

// A file name another user gave: one plain path component, nothing that climbs out of the
// folder it is put in or breaks a line.
bool isPlainFileName(const QString &label)
{
    if (label.isEmpty() || label == QLatin1String(".") || label == QLatin1String("..") ||
        label.contains(QLatin1Char('/')) || label.contains(QLatin1Char('\\')))
        return false;
    for (const QChar c : label) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return false;
    }
    return true;
}

// A room name as one folder name: separators and control characters replaced.
QString folderName(QString name)
{
    for (QChar &c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            c = QLatin1Char('-');
    }
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("-");
    return name;
}

} // namespace

QString MCSocialEntity::destinationPathFor(const QString &label) const
{
    if (!isPlainFileName(label))
        return QString();
    return QStringLiteral("/%1 %2/%3").arg(tr("Files From"), folderName(roomName()), label);
}

bool MCSocialEntity::prepareFileRow(const MOStorageObject &object)
{
    const MCChatCollaborationEntryPtr row(new MCChatCollaborationEntry(object, this, myEmail()));
    if (!m_environment->chatSupport().addPendingCollaborationEntry(row, identifier()))
        return false;
    addDateRowEventually(row->sentAt());
    append(row);
    return true;
}

const QString MCSocialEntity::LocalFiles = QStringLiteral("local");

bool MCSocialEntity::prepareProviderFileRow(const QString &provider, const QString &root,
                                            const QString &path)
{
    // Only regular files that truly lie under the provider's folder: a path that climbs out
    // of it would name another file on the provider's side.
    const QFileInfo info(path);
    if (info.isDir())
        return false; // folders are not offered, as in the store
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QString canonical = info.canonicalFilePath();
    if (canonicalRoot.isEmpty() || !info.exists() || !info.isFile() ||
        !canonical.startsWith(canonicalRoot + QLatin1Char('/'))) {
        qCWarning(lcPeople).noquote()
            << QStringLiteral("Cannot fetch information for file at path '%1': %2")
                   .arg(path, info.exists() ? tr("not a file of the %1 folder").arg(provider)
                                            : tr("no such file"));
        return false;
    }
    const QString remote = canonical.mid(canonicalRoot.size());
    const int slash = remote.lastIndexOf(QLatin1Char('/'));
    MOStorageObject object;
    object.setType(MOStorageObject::RegularFile);
    object.setLabel(remote.mid(slash + 1));
    object.setBasePath(slash > 0 ? remote.left(slash) : QStringLiteral("/"));
    object.setSize(info.size());
    object.setLastModified(info.lastModified());
    object.setProvider(provider);
    return prepareFileRow(object);
}

void MCSocialEntity::sendFilesFromCloud(const QStringList &remotePaths,
                                        const QMap<QString, QStringList> &externalObjects,
                                        QWidget *window)
{
    if (!m_environment)
        return;
    for (const QString &path : remotePaths) {
        MOStorageObject object = m_environment->remoteObject(path);
        if (object.type() == MOStorageObject::Directory)
            continue;
        if (object.type() == MOStorageObject::Invalid) {
            // Not listed by the browser yet: its path is all there is to offer.
            const int slash = path.lastIndexOf(QLatin1Char('/'));
            object.setType(MOStorageObject::RegularFile);
            object.setLabel(path.mid(slash + 1));
            object.setBasePath(slash > 0 ? path.left(slash) : QStringLiteral("/"));
        }
        prepareFileRow(object);
    }
    for (auto group = externalObjects.cbegin(); group != externalObjects.cend(); ++group) {
        if (group.key() == LocalFiles) {
            if (!group.value().isEmpty())
                m_environment->uploadForChat(group.value(), window);
            continue;
        }
        const QString root = m_environment->pathForService(group.key());
        for (const QString &path : group.value())
            prepareProviderFileRow(group.key(), root, path);
    }
    announce();
    emit scrollToBottomRequested();
}

void MCSocialEntity::sendCollaboration(const MCChatCollaborationEntryPtr &entry)
{
    if (!m_environment || !entry || entry->responseStatus() != MCChatCollaborationEntry::Prepared)
        return;
    if (m_environment->options() &&
        m_environment->options()->value(MCOptions::AppDelegate, MCOptions::SoundsEnabled).toBool())
        m_environment->playSound(QStringLiteral("sent"));
    entry->setPending();
    const MOStorageObject object = entry->storageObject();
    m_environment->sendTransferInvitation(object.fullPath(), entry->sentAt(), this,
                                          object.provider());
}

void MCSocialEntity::cancelSendCollaborationEntry(const MCChatCollaborationEntryPtr &entry)
{
    // Later, so that the row's own button is not destroyed under its click.
    QTimer::singleShot(0, this, [this, entry] {
        if (entry->responseStatus() != MCChatCollaborationEntry::Prepared)
            return;
        removeEntry(entry);
        if (m_environment)
            m_environment->chatSupport().removePendingCollaborationEntry(entry.data(),
                                                                         identifier());
    });
}

void MCSocialEntity::acceptCollaboration(const MCChatCollaborationEntryPtr &entry)
{
    if (!m_environment || !entry)
        return;
    const QString destination = destinationPathFor(entry->storageObjectLabel());
    if (destination.isEmpty()) {
        // A name that would put the file outside "Files From ...": refused, and the row says so.
        qCWarning(lcPeople) << "Refused to accept a file whose name is not a plain file name";
        entry->setRefused(tr("Refused: the file's name is not valid"));
        return;
    }
    entry->setAccepted();
    m_environment->chatSupport().addResponseWaitingEntry(entry);
    MOCollaboration collaboration = entry->collaboration();
    collaboration.setResource(destination);
    m_environment->acceptCollaboration(collaboration);
}

void MCSocialEntity::declineCollaboration(const MCChatCollaborationEntryPtr &entry)
{
    if (!m_environment || !entry)
        return;
    entry->setDeclined();
    m_environment->chatSupport().addResponseWaitingEntry(entry);
    m_environment->rejectCollaboration(entry->collaboration().token());
}

MCChatCollaborationEntryPtr MCSocialEntity::entryFor(const MOCollaboration &collaboration)
{
    if (collaboration.token().isEmpty())
        return {};
    for (const MCChatEntryPtr &entry : qAsConst(m_conversation)) {
        if (entry->kind() != MCChatEntry::CollaborationRow)
            continue;
        auto file = entry.staticCast<MCChatCollaborationEntry>();
        if (file->collaboration().token() == collaboration.token())
            return file;
    }
    return {};
}

void MCSocialEntity::didSendInviteCollaboration(const MOCollaboration &collaboration)
{
    if (!m_environment)
        return;
    MCChatSupport &support = m_environment->chatSupport();
    const MOStorageObject object = collaboration.resource().value<MOStorageObject>();
    MCChatCollaborationEntryPtr row = support.pendingCollaboration(
        object.fullPath(), MCChatCollaborationEntry::Waiting, identifier());
    if (row) {
        row->setCollaboration(collaboration);
        row->setCollaborationSent();
    } else {
        row.reset(new MCChatCollaborationEntry(collaboration, this, myEmail(), &support));
    }
    // The side panel lists the row the chat shows, so that later answers reach both.
    if (!m_collaborations.contains(row)) {
        m_collaborations.append(row);
        emit collaborationsChanged();
    }
}

void MCSocialEntity::didListSentInvitations(const QList<MOCollaboration> &collaborations)
{
    if (!m_environment)
        return;
    MCChatSupport &support = m_environment->chatSupport();
    for (const MOCollaboration &collaboration : collaborations) {
        if (MCChatCollaborationEntryPtr held = entryFor(collaboration)) {
            held->setCollaboration(collaboration);
            held->setDescriptionString(held->getCollaborationStatus());
            continue;
        }
        const MCChatCollaborationEntryPtr row(
            new MCChatCollaborationEntry(collaboration, this, myEmail(), &support));
        addDateRowEventually(row->sentAt());
        if (row->responseStatus() == MCChatCollaborationEntry::Sent && row->itsMe() &&
            !support.addPendingCollaborationEntry(row, identifier()) && row->isGroupChat())
            continue;
        m_collaborations.append(row);
        append(row);
    }
    announce();
    emit collaborationsChanged();
}

void MCSocialEntity::didListReceivedCollaborations(const QList<MOCollaboration> &collaborations)
{
    if (!m_environment)
        return;
    MCChatSupport &support = m_environment->chatSupport();
    QList<MOCollaboration> counted;
    for (const MOCollaboration &collaboration : collaborations) {
        // The poll and the first listing may both bring one invitation: one row.
        if (MCChatCollaborationEntryPtr held = entryFor(collaboration)) {
            if (!support.getResponseWaitingEntry(collaboration.token())) {
                held->setCollaboration(collaboration);
                held->setDescriptionString(held->getCollaborationStatus());
            }
            continue;
        }
        const MCChatCollaborationEntryPtr row(
            new MCChatCollaborationEntry(collaboration, this, myEmail(), &support));
        addDateRowEventually(row->sentAt());
        append(row);
        if (!row->itsMe() && !collaboration.accepted() && !collaboration.rejected() &&
            !collaboration.revoked() && shouldAddNotification() &&
            row->sentAt() > m_dateLastMessage) {
            ++m_chatNotifications;
            counted.append(collaboration);
        }
        if (!(collaboration.rejected() && collaboration.revoked()))
            m_collaborations.append(row);
    }
    announce();
    emit collaborationsChanged();
    if (m_chatNotifications < 1)
        emit scrollToBottomRequested();
    else
        announceChatNotifications();
    if (!counted.isEmpty())
        emit filesOffered(counted);
}

void MCSocialEntity::didAcceptCollaboration(const MOCollaboration &collaboration)
{
    if (!m_environment)
        return;
    MCChatSupport &support = m_environment->chatSupport();
    const MCChatCollaborationEntryPtr row = support.getResponseWaitingEntry(collaboration.token());
    if (!row)
        return;
    row->setCollaboration(collaboration);
    row->setDescriptionString(row->getCollaborationStatus());
    support.removeResponseWaitingEntry(row.data());
    emit collaborationsChanged();
}

void MCSocialEntity::didRejectCollaboration(const MOCollaboration &collaboration)
{
    didAcceptCollaboration(collaboration);
}

void MCSocialEntity::didReceiveChangedCollaborations(const QList<MOCollaboration> &collaborations)
{
    if (!m_environment)
        return;
    MCChatSupport &support = m_environment->chatSupport();
    const bool group = qobject_cast<MCGroup *>(this) != nullptr;
    for (const MOCollaboration &collaboration : collaborations) {
        const MCChatCollaborationEntryPtr row =
            group ? support.pendingCollaborationWithUniqueIdentifier(
                        collaboration.uniqueIdentifier(), identifier())
                  : support.pendingCollaborationWithToken(collaboration.token(), identifier());
        if (!row)
            continue;
        row->setCollaboration(collaboration);
        QString name;
        if (group) {
            row->updateGroupInfo(collaboration, identifier(), &support);
            const MCContact *contact = support.contactByEmail(collaboration.recipient().email());
            name = contact ? contact->fullName() : collaboration.recipient().email();
        } else {
            row->setDescriptionString(row->getCollaborationStatus());
            support.removePendingCollaborationEntry(row.data(), identifier());
            name = row->receiverName();
        }
        QString text;
        if (collaboration.accepted())
            text = tr("%1 %2").arg(tr("Accepted by"), name);
        else if (collaboration.rejected())
            text = tr("%1 %2").arg(tr("Rejected by"), name);
        else
            text = tr("%1 %2 %3").arg(tr("File for"), name, tr("deleted or moved"));
        support.deliverNotification(row->storageObjectLabel(), text);
    }
    emit collaborationsChanged();
}

void MCSocialEntity::didFailAcceptingWithError(const MOCollaboration &collaboration,
                                               const MOError &error)
{
    // The row said "Accepted. Waiting...": it must not go on saying so. It shows what became of
    // the invitation, or waits for an answer again when it may still be given.
    if (m_environment) {
        MCChatSupport &support = m_environment->chatSupport();
        if (const MCChatCollaborationEntryPtr row =
                support.getResponseWaitingEntry(collaboration.token())) {
            support.removeResponseWaitingEntry(row.data());
            switch (error.code()) {
            case SourceNotFound:
                row->setNoLongerOffered(tr("Oops! The sender deleted/moved his file"));
                break;
            case AlreadyAccepted:
                row->setCollaboration(collaboration);
                row->setDescriptionString(row->getCollaborationStatus());
                break;
            case InvitationNotFound:
                row->setNoLongerOffered(tr("This file is no longer offered"));
                break;
            default:
                row->setAnswerFailed(MCSocialFailure::answerNotTaken(error));
                break;
            }
        }
    }
    emit collaborationFailed(collaboration, error);
}

void MCSocialEntity::didFailSendingCollaboration(const QString &path, const MOError &error)
{
    if (!m_environment)
        return;
    const MCChatCollaborationEntryPtr row = m_environment->chatSupport().pendingCollaboration(
        path, MCChatCollaborationEntry::Waiting, identifier());
    if (!row) {
        qCWarning(lcPeople) << "A file offer that failed has no row in" << identifier();
        return;
    }
    row->setSendFailed(MCSocialFailure::reason(error));
}
