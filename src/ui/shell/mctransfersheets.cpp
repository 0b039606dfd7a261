// The core's failures asked about in sheets on the main window, and the transfers and
// conflicted copies the answers start.
#include "mctransfersheets.h"

#include "alertpresenter.h"
#include "clock.h"
#include "mcbrowsableviewcontroller.h"
#include "mcnavigation.h"
#include "mcremotepath.h"
#include "mcshelllogging.h"
#include "mcstring.h"
#include "mctransfers.h"
#include "moconstants.h"
#include "mocorenotification.h"
#include "monotificationcenter.h"
#include "monotificationmanager.h"
#include "moobjectsmanager.h"
#include "moobjecttransferrequest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

MCTransferSheets::MCTransferSheets(MCNavigation *navigation, MCTransfers *transfers,
                                   QObject *parent)
    : QObject(parent)
    , m_navigation(navigation)
    , m_transfers(transfers)
{}

void MCTransferSheets::setup(AlertPresenter *alerts, QWidget *window, Clock *clock)
{
    m_alerts = alerts;
    m_sheetWindow = window;
    m_clock = clock;
    if (!m_failureBurst) {
        m_failureBurst = new QTimer(this);
        m_failureBurst->setSingleShot(true);
        m_failureBurst->setInterval(BurstGap);
        connect(m_failureBurst, &QTimer::timeout, this, &MCTransferSheets::presentGatheredFailures);
    }
    MONotificationCenter *core = MONotificationManager::sharedInstance()->notificationCenter();
    core->removeObserver(this);
    core->addObserver(this, &MCTransferSheets::tolvoLibNotification, MONotification);
}

void MCTransferSheets::tolvoLibNotification(const MOPostedNotification &notification)
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

void MCTransferSheets::presentFailure(const MOCoreNotification &core)
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

void MCTransferSheets::presentGatheredFailures()
{
    for (Sheet &sheet : m_gathering)
        presentSheet(std::move(sheet));
    m_gathering.clear();
}

MCTransferSheets::Sheet MCTransferSheets::sheetAbout(const MOCoreNotification &core)
{
    Sheet sheet;
    sheet.alert.style = Alert::Warning;
    // The core writes names into its sentences: none may turn the text around.
    sheet.alert.messageText = MCString::stringForName(core.message());
    // The service's words are its reason, after the sentence that says what failed.
    if (core.action() != 0 && !core.details().isEmpty())
        sheet.alert.informativeText =
            tr("The service said: %1").arg(MCString::stringByIsolatingName(core.details()));
    sheet.key = sheetKey(core);
    return sheet;
}

void MCTransferSheets::alertObjectExists(const MOPostedNotification &notification)
{
    const MOCoreNotification core(notification);
    const MOObjectTransferRequest request = core.transferRequest();
    Sheet sheet = sheetAbout(core);
    sheet.alert.informativeText = tr("Do you want to replace it with the one you are moving?");
    sheet.alert.buttons = QStringList{tr("Replace"), tr("Keep both"), tr("Abort")};
    sheet.alert.escapeButton = 2;
    QPointer<MCTransferSheets> self(this);
    sheet.answered = [self, request](int button) {
        if (!self)
            return;
        if (button == 0) {
            MOObjectTransferRequest replace = request;
            replace.setMode(quint64(ReplaceMode));
            self->m_transfers->transferObject(replace);
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
            self->m_transfers->transferObject(both);
        }
    };
    presentSheet(std::move(sheet));
}

void MCTransferSheets::alertNameTaken(const MOPostedNotification &notification)
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
        QPointer<MCTransferSheets> self(this);
        sheet.answered = [self, path](int) {
            if (self && self->m_navigation->selectedController())
                self->m_navigation->selectedController()->startRenamingNodeAtPath(path, true);
        };
    }
    presentSheet(std::move(sheet));
}

void MCTransferSheets::alertOutdatedLocalCopy(const MOPostedNotification &notification)
{
    const MOCoreNotification core(notification);
    const MOObjectTransferRequest request = core.transferRequest();
    Sheet sheet = sheetAbout(core);
    sheet.alert.informativeText =
        tr("Do you want to keep both or discard local modifications? Note: forcing an update "
           "will replace the remote copy with the local one.");
    sheet.alert.buttons = QStringList{tr("Discard"), tr("Keep both"), tr("Force update")};
    QPointer<MCTransferSheets> self(this);
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
            self->m_transfers->transferObject(force);
        }
    };
    presentSheet(std::move(sheet));
}

QString MCTransferSheets::conflictedCopyPath(const QString &localPath, const QDateTime &localTime)
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

void MCTransferSheets::keepConflictedCopy(const MOObjectTransferRequest &request)
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
    m_transfers->uploadFileAtPath(
        kept,
        MCRemotePath::joined(MCRemotePath::parentOf(request.destinationPath()),
                             QFileInfo(kept).fileName()),
        false);
}

void MCTransferSheets::presentSheet(Sheet sheet)
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

void MCTransferSheets::showNextSheet()
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
    QPointer<MCTransferSheets> self(this);
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
