// The hub's transfer bookkeeping: the core's failures asked about in sheets on the main window
// (and the transfers the answers start), and the marks on files that downloads are writing.
#include "alertpresenter.h"
#include "clock.h"
#include "mcbrowsableviewcontroller.h"
#include "mcdownloadmarks.h"
#include "mcmanager.h"
#include "mcremotepath.h"
#include "mcshelllogging.h"
#include "mcstring.h"
#include "moconstants.h"
#include "mocorenotification.h"
#include "monotificationcenter.h"
#include "monotificationmanager.h"
#include "moobjectsmanager.h"
#include "moobjecttransfer.h"
#include "moobjecttransferrequest.h"
#include "motransfernotification.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

enum : quint64 { ReplaceMode = 2, ForceMode = 3 };

// Failures of one kind closer together than this are one burst, told in one sheet; a burst
// that goes on is told after BurstLimit all the same.
constexpr int BurstGap = 400;
constexpr qint64 BurstLimit = 3000;

QString sheetKey(const MOCoreNotification &core)
{
    return QStringList{QString::number(core.errorCode()),
                       QString::number(core.action()),
                       core.path(),
                       core.additionalPath(),
                       core.message(),
                       core.transferRequest().sourcePath(),
                       core.transferRequest().destinationPath()}
        .join(QChar(0));
}

} // namespace

void MCManager::setupTransferBookkeeping(AlertPresenter *alerts, QWidget *window, Clock *clock)
{
    m_alerts = alerts;
    m_sheetWindow = window;
    m_clock = clock;
    if (!m_failureBurst) {
        m_failureBurst = new QTimer(this);
        m_failureBurst->setSingleShot(true);
        m_failureBurst->setInterval(BurstGap);
        connect(m_failureBurst, &QTimer::timeout, this, &MCManager::presentGatheredFailures);
    }
    MONotificationCenter *core = MONotificationManager::sharedInstance()->notificationCenter();
    core->removeObserver(this);
    core->addObserver(this, &MCManager::tolvoLibNotification, MONotification);
    MONotificationCenter *objects = MOObjectsManager::sharedInstance()->notificationCenter();
    for (const QString &name :
         {MOObjectTransferWillStartNotification, MOObjectTransferDidProgressNotification,
          MOObjectTransferDidFinishNotification, MOObjectTransferDidCancelNotification,
          MOObjectTransferDidAbortNotification}) {
        objects->removeObserver(this, name);
        objects->addObserver(this, &MCManager::objectTransferProgressNotification, name);
    }
}

void MCManager::tolvoLibNotification(const MOPostedNotification &notification)
{
    const MOCoreNotification core(notification);
    const quint64 code = core.errorCode();
    const qint64 action = core.action();
    if (code == MOCoreNotification::ObjectExists && action == MOCoreNotification::Upload) {
        alertObjectExists(notification);
    } else if (code == MOCoreNotification::NameTaken ||
               (code == MOCoreNotification::ObjectExists &&
                (action == MOCoreNotification::Rename || action == MOCoreNotification::Copy))) {
        alertNameTaken(notification);
    } else if (code == MOCoreNotification::OutdatedLocalCopy) {
        alertOutdatedLocalCopy(notification);
    } else if (core.type() == MOCoreNotification::Error &&
               action != MOCoreNotification::CreateShareLink &&
               action != MOCoreNotification::ListShareLinks &&
               action != MOCoreNotification::EmailShareLink) {
        // A link not made is told in the popover, a list not had on the share-links page and a
        // share-link e-mail's failure in its form (which a sheet would close): once, where the
        // user waits for it.
        presentFailure(core);
    }
}

void MCManager::presentFailure(const MOCoreNotification &core)
{
    Sheet sheet = sheetAbout(core);
    sheet.kind = QStringLiteral("%1/%2").arg(core.errorCode()).arg(core.action());
    // The same failure told twice is still one; another file failing the same way is counted.
    const auto joins = [&sheet](Sheet &other) {
        if (other.kind != sheet.kind)
            return false;
        if (other.key != sheet.key)
            ++other.count;
        return true;
    };
    for (Sheet &gathered : m_gathering) {
        if (joins(gathered)) {
            if (!m_burstAge.hasExpired(BurstLimit))
                m_failureBurst->start();
            return;
        }
    }
    for (Sheet &waiting : m_sheets) {
        if (joins(waiting))
            return;
    }
    if (!m_failureBurst) {
        presentSheet(std::move(sheet));
        return;
    }
    if (m_gathering.isEmpty())
        m_burstAge.start();
    m_gathering.append(std::move(sheet));
    m_failureBurst->start();
}

void MCManager::presentGatheredFailures()
{
    for (Sheet &sheet : m_gathering)
        presentSheet(std::move(sheet));
    m_gathering.clear();
}

MCManager::Sheet MCManager::sheetAbout(const MOCoreNotification &core)
{
    Sheet sheet;
    sheet.alert.style = Alert::Warning;
    // The core writes names into its sentences: none may turn the text around.
    sheet.alert.messageText = MCString::stringForName(core.message());
    sheet.key = sheetKey(core);
    return sheet;
}

void MCManager::alertObjectExists(const MOPostedNotification &notification)
{
    const MOCoreNotification core(notification);
    const MOObjectTransferRequest request = core.transferRequest();
    Sheet sheet = sheetAbout(core);
    sheet.alert.informativeText = tr("Do you want to replace it with the one you are moving?");
    sheet.alert.buttons = QStringList{tr("Replace"), tr("Keep both"), tr("Abort")};
    sheet.alert.escapeButton = 2;
    QPointer<MCManager> self(this);
    sheet.answered = [self, request](int button) {
        if (!self)
            return;
        if (button == 0) {
            MOObjectTransferRequest replace = request;
            replace.setMode(quint64(ReplaceMode));
            self->transferObject(replace);
        } else if (button == 1) {
            const QString free = MOObjectsManager::sharedInstance()->suggestedFilePathWithPath(
                request.destinationPath());
            // Without a free name the copy would go nowhere: say so rather than send it.
            if (free.isEmpty()) {
                Sheet failed;
                failed.alert.style = Alert::Warning;
                failed.alert.messageText =
                    tr("No free name was found for '%1'.")
                        .arg(MCString::stringByIsolatingName(
                            MCRemotePath::lastComponent(request.destinationPath())));
                failed.alert.informativeText = tr("Nothing was uploaded.");
                self->presentSheet(std::move(failed));
                return;
            }
            MOObjectTransferRequest both = request;
            both.setDestinationPath(free);
            self->transferObject(both);
        }
    };
    presentSheet(std::move(sheet));
}

void MCManager::alertNameTaken(const MOPostedNotification &notification)
{
    const MOCoreNotification core(notification);
    const QString path = core.path();
    const QString additional = core.additionalPath();
    Sheet sheet = sheetAbout(core);
    if (core.errorCode() == MOCoreNotification::ObjectExists &&
        MCRemotePath::parentOf(path) != MCRemotePath::parentOf(additional))
        sheet.alert.messageText =
            tr("A file named '%1' is already present at destination.")
                .arg(MCString::stringByIsolatingName(MCRemotePath::lastComponent(additional)));
    else
        sheet.alert.messageText = tr("The name %1 is already taken. Please, choose another name.")
                                      .arg(MCString::stringByIsolatingName(path));
    sheet.alert.informativeText = MCString::stringForName(core.message());
    if (core.action() == MOCoreNotification::MakeDirectory) {
        // The new folder waits under its taken name: it is named again.
        QPointer<MCManager> self(this);
        sheet.answered = [self, path](int) {
            if (self && self->selectedController())
                self->selectedController()->startRenamingNodeAtPath(path, true);
        };
    }
    presentSheet(std::move(sheet));
}

void MCManager::alertOutdatedLocalCopy(const MOPostedNotification &notification)
{
    const MOCoreNotification core(notification);
    const MOObjectTransferRequest request = core.transferRequest();
    Sheet sheet = sheetAbout(core);
    sheet.alert.informativeText =
        tr("Do you want to keep both or discard local modifications? Note: forcing an update "
           "will replace the remote copy with the local one.");
    sheet.alert.buttons = QStringList{tr("Discard"), tr("Keep both"), tr("Force update")};
    QPointer<MCManager> self(this);
    sheet.answered = [self, request](int button) {
        if (!self)
            return;
        MOObjectsManager *objects = MOObjectsManager::sharedInstance();
        if (button == 0) {
            objects->uncacheObjectAtPath(request.destinationPath());
            objects->cacheObjectAtPath(request.destinationPath());
        } else if (button == 1) {
            self->keepConflictedCopy(request);
        } else if (button == 2) {
            MOObjectTransferRequest force = request;
            force.setMode(quint64(ForceMode));
            self->transferObject(force);
        }
    };
    presentSheet(std::move(sheet));
}

QString MCManager::conflictedCopyPath(const QString &localPath, const QDateTime &localTime)
{
    const QFileInfo source(localPath);
    const QString stem = source.completeBaseName() + QStringLiteral(" - conflicted ") +
                         localTime.toString(QStringLiteral("yyyy-MM-dd 'at' HH.mm"));
    // No trailing dot for a file without an extension.
    const QString extension =
        source.suffix().isEmpty() ? QString() : QLatin1Char('.') + source.suffix();
    QString candidate = source.dir().filePath(stem + extension);
    // A second conflict in the same minute must not meet the first copy.
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate =
            source.dir().filePath(QStringLiteral("%1 %2%3").arg(stem).arg(n).arg(extension));
    return candidate;
}

void MCManager::keepConflictedCopy(const MOObjectTransferRequest &request)
{
    const QString local = request.sourcePath();
    const QDateTime now =
        (m_clock ? m_clock->now() : QDateTime::currentDateTimeUtc()).toLocalTime();
    const QString kept = conflictedCopyPath(local, now);
    // The edited file is the only copy of the user's work: the service's copy is cached again
    // over its old place only once it is safe under its new name.
    if (!QFile::rename(local, kept)) {
        qCWarning(lcShell) << "Could not keep the conflicted copy" << local;
        Sheet failed;
        failed.alert.style = Alert::Critical;
        failed.alert.messageText =
            tr("The local copy of '%1' could not be kept.")
                .arg(MCString::stringByIsolatingName(QFileInfo(local).fileName()));
        failed.alert.informativeText =
            tr("Your modified file was left unchanged at %1.").arg(local);
        presentSheet(std::move(failed));
        return;
    }
    MOObjectsManager::sharedInstance()->cacheObjectAtPath(request.destinationPath());
    uploadFileAtPath(kept,
                     MCRemotePath::joined(MCRemotePath::parentOf(request.destinationPath()),
                                          QFileInfo(kept).fileName()),
                     false);
}

void MCManager::presentSheet(Sheet sheet)
{
    if (!m_alerts) {
        qCWarning(lcShell).noquote() << "No alert presenter for:" << sheet.alert.messageText;
        return;
    }
    // A burst of the same failure is one question, and never a pile of sheets.
    if (!sheet.key.isEmpty()) {
        if (m_sheetShown && sheet.key == m_shownSheetKey)
            return;
        for (const Sheet &waiting : qAsConst(m_sheets)) {
            if (waiting.key == sheet.key)
                return;
        }
    }
    m_sheets.append(std::move(sheet));
    if (!m_sheetShown)
        showNextSheet();
}

void MCManager::showNextSheet()
{
    if (m_sheets.isEmpty()) {
        m_sheetShown = false;
        m_shownSheetKey.clear();
        return;
    }
    Sheet sheet = m_sheets.takeFirst();
    if (sheet.count == 2)
        sheet.alert.informativeText = tr("1 other file failed the same way.");
    else if (sheet.count > 2)
        sheet.alert.informativeText =
            tr("%1 other files failed the same way.").arg(sheet.count - 1);
    m_sheetShown = true;
    m_shownSheetKey = sheet.key;
    QPointer<MCManager> self(this);
    auto answered = sheet.answered;
    m_alerts->present(sheet.alert, m_sheetWindow, [self, answered](const AlertAnswer &answer) {
        if (!self)
            return;
        self->m_sheetShown = false;
        self->m_shownSheetKey.clear();
        if (answered)
            answered(answer.button);
        if (!self->m_sheetShown)
            self->showNextSheet();
    });
}

void MCManager::objectTransferProgressNotification(const MOPostedNotification &notification)
{
    const MOTransferNotification reader(notification);
    const qint64 type = reader.requestType();
    if (type == MOCoreNotification::UploadCached || type == MOCoreNotification::DownloadToCache ||
        reader.isCaching())
        return;
    const MOObjectTransfer transfer = reader.transfer();
    const MOObjectTransferRequest request = transfer.transferRequest();
    if (request.direction() != MOObjectTransferRequest::Download)
        return;
    // Later notifications carry the name the transfer resolved (a free name, say).
    const QString destination = request.destinationPath();
    if (destination.isEmpty())
        return;
    const QString &name = notification.name;
    if (name == MOObjectTransferWillStartNotification) {
        // Only where the download writes this very name anyway: a file made here would take
        // the name a free-name download looks for, or fail one that must not overwrite.
        const auto strategy = request.overwriteStrategy();
        if (strategy == MOObjectTransferRequest::Replace ||
            strategy == MOObjectTransferRequest::Resume)
            m_downloadMarks->addPlaceholder(destination);
    } else if (name == MOObjectTransferDidProgressNotification) {
        const qint64 size = transfer.storageObject().size();
        const float fraction =
            size > 0 ? float(transfer.totalTransferredBytes()) / float(size) : 0.0f;
        m_downloadMarks->setFractionCompleted(destination, double(fraction));
    } else if (name == MOObjectTransferDidFinishNotification) {
        m_downloadMarks->finish(destination);
    } else {
        m_downloadMarks->abandon(destination);
    }
}
