#include "mcfileactions.h"

#include "alertpresenter.h"
#include "mcactionslog.h"
#include "mcapplicationchooser.h"
#include "mcbrowsableviewcontroller.h"
#include "mcfakenode.h"
#include "mcfunctions.h"
#include "mchub.h"
#include "mcnavigation.h"
#include "mcnewfolderwithselection.h"
#include "mcpasteboard.h"
#include "mcremotepath.h"
#include "mcsessionservices.h"
#include "mcstring.h"
#include "mctransferstarter.h"
#include "moerror.h"
#include "monotificationmanager.h"
#include "moobjectsmanager.h"
#include "mostorageobject.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>

namespace {

// The folder the browser shows, where new and pasted items go; empty while a page is shown in
// its place (the folder last browsed is not what the window shows).
QString shownFolder()
{
    const MCNavigation *navigation = MCHub::sharedHub()->navigation();
    return navigation->notBrowsablePath().isEmpty() ? navigation->currentPath() : QString();
}

bool isWithin(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(MCRemotePath::joined(folder, QString()));
}

QStringList pathsOf(const MCNodeList &nodes)
{
    QStringList paths;
    for (const MCNodePtr &node : nodes) {
        if (node)
            paths.append(node->filePath());
    }
    return paths;
}

} // namespace

MCFileActions::MCFileActions(AlertPresenter *alerts, QObject *parent)
    : QObject(parent)
    , m_alerts(alerts)
{}

MCFileActions::~MCFileActions() = default;

void MCFileActions::openNodes(const MCNodeList &nodes)
{
    // The view that shows the nodes opens them as a double click would.
    if (MCBrowsableViewController *view = MCHub::sharedHub()->navigation()->selectedController())
        view->openNodes(nodes);
}

void MCFileActions::openNodesWithApplication(const MCNodeList &nodes,
                                             const QString &desktopFilePath)
{
    openPathsWithApplication(pathsOf(nodes), desktopFilePath);
}

void MCFileActions::openPathsWithApplication(const QStringList &paths,
                                             const QString &desktopFilePath)
{
    if (desktopFilePath.isEmpty())
        return;
    const QUrl application = QUrl::fromLocalFile(desktopFilePath);
    for (const QString &path : paths)
        MOObjectsManager::sharedInstance()->openObjectAtPath(path, application);
}

void MCFileActions::chooseApplicationAndOpen(const MCNodeList &nodes)
{
    if (nodes.isEmpty())
        return;
    chooseApplicationAndOpen(
        pathsOf(nodes), nodes.size() == 1
                            ? tr("Choose an application to open the document \"%1\"")
                                  .arg(MCString::stringByIsolatingName(nodes.first()->fileName()))
                            : tr("Choose an application to open the selected documents"));
}

void MCFileActions::chooseApplicationAndOpen(const QStringList &paths, const QString &message)
{
    auto *chooser = new MCApplicationChooser(m_window);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setMessage(message);
    QPointer<MCFileActions> self(this);
    connect(chooser, &MCApplicationChooser::applicationChosen, this,
            [self, paths](const QString &desktopFilePath) {
                if (self)
                    self->openPathsWithApplication(paths, desktopFilePath);
            });
    chooser->open();
}

void MCFileActions::objectCacheErrorError(const QString &path, const MOError &error)
{
    qCInfo(lcActions) << "Could not open" << path << error.code();
    if (!m_alerts)
        return;
    const QString name = MCString::stringByIsolatingName(MCRemotePath::lastComponent(path));
    Alert alert;
    alert.style = Alert::Warning;
    if (error.code() != MOObjectsManagerCacheDelegate::NoApplication) {
        alert.messageText = tr("The document \u201C%1\u201D could not be opened.").arg(name);
        alert.informativeText = error.code() == MOObjectsManagerCacheDelegate::RemoteNotFound
                                    ? tr("It is no longer on Kerlo.")
                                    : tr("Its local copy could not be made.");
        m_alerts->present(alert, m_window, [](const AlertAnswer &) {});
        return;
    }
    alert.messageText =
        tr("There is no application set to open the document \u201C%1\u201D.").arg(name);
    alert.informativeText = tr("Choose an application to open it with.");
    alert.buttons = QStringList{tr("Choose Application..."), tr("Cancel")};
    alert.escapeButton = 1;
    QPointer<MCFileActions> self(this);
    m_alerts->present(alert, m_window, [self, path, name](const AlertAnswer &answer) {
        if (self && answer.button == 0)
            self->chooseApplicationAndOpen(
                {path}, tr("Choose an application to open the document \"%1\"").arg(name));
    });
}

void MCFileActions::downloadNodes(const MCNodeList &nodes)
{
    for (const MCNodePtr &node : nodes) {
        if (node && !(node->states() & MCAbstractObjectNode::Cached))
            MOObjectsManager::sharedInstance()->cacheObjectAtPath(node->filePath());
    }
}

void MCFileActions::uncacheNodes(const MCNodeList &nodes)
{
    for (const MCNodePtr &node : nodes) {
        if (node && (node->states() & MCAbstractObjectNode::Cached))
            MOObjectsManager::sharedInstance()->uncacheObjectAtPath(node->filePath());
    }
}

void MCFileActions::deleteNodes(const MCNodeList &nodes)
{
    const QStringList paths = pathsOf(nodes);
    if (paths.isEmpty() || !m_alerts)
        return;
    MCFunctions::alertCanDelete(
        *MCHub::sharedHub()->services()->options(), *m_alerts, m_window, [paths](bool remove) {
            if (remove)
                MOObjectsManager::sharedInstance()->deleteObjectsAtPaths(paths, QVariant());
        });
}

void MCFileActions::renameSelection()
{
    if (MCBrowsableViewController *view = MCHub::sharedHub()->navigation()->selectedController())
        view->startRename();
}

void MCFileActions::newFolder()
{
    addUntitledFolder();
}

void MCFileActions::newFolderWithSelection(const MCNodeList &nodes)
{
    const QStringList paths = pathsOf(nodes);
    if (paths.isEmpty())
        return;
    const MCNodePtr folder = addUntitledFolder();
    if (folder)
        new MCNewFolderWithSelection(
            folder, paths, MOObjectsManager::sharedInstance()->notificationCenter(),
            MONotificationManager::sharedInstance()->notificationCenter(), this);
}

MCNodePtr MCFileActions::addUntitledFolder()
{
    MCNavigation *navigation = MCHub::sharedHub()->navigation();
    MCBrowsableViewController *view = navigation->selectedController();
    const QString base = shownFolder();
    if (!view || base.isEmpty())
        return MCNodePtr();
    const QString path = MOObjectsManager::sharedInstance()->suggestedFilePathWithPath(
        MCRemotePath::joined(base, tr("Untitled Folder")));
    if (path.isEmpty())
        return MCNodePtr();
    QSharedPointer<MCFakeNode> node =
        MCFakeNode::create(base, MCRemotePath::lastComponent(path), true);
    node->setStates(MCAbstractObjectNode::Uploading);
    node->setIsPlaceholder(true);
    view->addPlaceholderNode(node, path, true);
    return node;
}

void MCFileActions::newFileFromTemplate(const QString &templatePath, const QString &label)
{
    const QString base = shownFolder();
    const QFileInfo file(templatePath);
    if (base.isEmpty() || !file.isFile() || label.contains(QLatin1Char('/')))
        return;
    QString name = label.trimmed().isEmpty() ? file.fileName() : label.trimmed();
    if (!file.suffix().isEmpty() && !name.endsWith(QLatin1Char('.') + file.suffix()))
        name += QLatin1Char('.') + file.suffix();
    const QString path = MOObjectsManager::sharedInstance()->suggestedFilePathWithPath(
        MCRemotePath::joined(base, name));
    if (!path.isEmpty())
        MCHub::sharedHub()->transfers()->uploadFileAtPath(templatePath, path, false);
}

void MCFileActions::getShareLink(const MCNodePtr &node)
{
    if (node)
        MOObjectsManager::sharedInstance()->getShareLinkForObject(node->filePath(), QVariant());
}

void MCFileActions::showShareLink(const QUrl &link, const MOStorageObject &object)
{
    if (link.isValid())
        emit shareLinkReceived(link, object);
}

void MCFileActions::copyNodes(const MCNodeList &nodes)
{
    const QStringList paths = pathsOf(nodes);
    if (!paths.isEmpty())
        QGuiApplication::clipboard()->setMimeData(MCPasteboard::mimeDataForRemotePaths(paths));
}

void MCFileActions::paste()
{
    pasteMimeData(QGuiApplication::clipboard()->mimeData(), shownFolder());
}

void MCFileActions::pasteMimeData(const QMimeData *data, const QString &destination)
{
    if (!data || destination.isEmpty())
        return;
    const QStringList localFiles = MCPasteboard::localFilePaths(data);
    if (!localFiles.isEmpty()) {
        for (const QString &path : localFiles) {
            const QString name = QFileInfo(path).fileName();
            if (!name.isEmpty())
                MCHub::sharedHub()->transfers()->uploadFileAtPath(
                    path, MCRemotePath::joined(destination, name), false);
        }
        return;
    }
    for (const QString &source : MCPasteboard::remotePaths(data)) {
        const QString target = pasteDestination(source, destination);
        if (!target.isEmpty())
            MOObjectsManager::sharedInstance()->doCopyObjectAtPath(source, target, QVariant());
    }
}

QString MCFileActions::pasteDestination(const QString &source, const QString &destination) const
{
    const QString name = MCRemotePath::lastComponent(source);
    if (source == QLatin1String("/") || name.isEmpty() || isWithin(destination, source)) {
        qCWarning(lcActions) << "Not pasting a folder into itself";
        return QString();
    }
    MOObjectsManager *objects = MOObjectsManager::sharedInstance();
    if (MCRemotePath::parentOf(source) != destination) {
        // The name stays; a copy must never take the place of what already has it.
        const QString target = MCRemotePath::joined(destination, name);
        if (objects->suggestedFilePathWithPath(target) != target) {
            if (m_alerts) {
                Alert alert;
                alert.style = Alert::Warning;
                alert.windowTitle = tr("Paste Warning");
                alert.messageText = tr("The name \u201C%1\u201D is already taken in this folder.")
                                        .arg(MCString::stringByIsolatingName(name));
                alert.informativeText = tr("The item was not pasted.");
                m_alerts->present(alert, m_window, [](const AlertAnswer &) {});
            }
            return QString();
        }
        return target;
    }
    // In its own folder: "name copy.ext", unless the name already says it is a copy; either
    // way numbered until free.
    const QFileInfo file(name);
    QString base = file.completeBaseName();
    QString extension = file.suffix();
    if (base.isEmpty()) { // ".profile" has no extension
        base = name;
        extension.clear();
    }
    const QString word = QRegularExpression::escape(tr("copy"));
    static const QString patterns[] = {QStringLiteral(".+%1\\s\\d+"), QStringLiteral(".+%1")};
    bool alreadyCopy = false;
    for (const QString &pattern : patterns) {
        const QRegularExpression expression(QRegularExpression::anchoredPattern(pattern.arg(word)));
        alreadyCopy = alreadyCopy || expression.match(base).hasMatch();
    }
    QString wanted = name;
    if (!alreadyCopy) {
        wanted = QStringLiteral("%1 %2").arg(base, tr("copy"));
        if (!extension.isEmpty())
            wanted += QLatin1Char('.') + extension;
    }
    return objects->suggestedFilePathWithPath(MCRemotePath::joined(destination, wanted));
}
