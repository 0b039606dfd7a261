#ifndef MCFILEACTIONS_H
#define MCFILEACTIONS_H

#include "mcabstractobjectnode.h"
#include "moobjectsmanagerdelegates.h"
#include "mostorageobject.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

class AlertPresenter;
class QMimeData;
class QWidget;

// The file commands behind the menus: each acts on the nodes it is given (a menu's selection at
// its opening), on the folder the hub shows, or on the clipboard. Questions and answers go
// through the alert presenter on the window given. A file that could not be opened is told
// here too (the objects facade's cache delegate). Main thread only.
class MCFileActions
    : public QObject
    , public MOObjectsManagerCacheDelegate
{
    Q_OBJECT
public:
    explicit MCFileActions(AlertPresenter *alerts, QObject *parent = nullptr);
    ~MCFileActions() override;

    // The window the alerts and dialogs belong to.
    void setWindow(QWidget *window) { m_window = window; }
    QWidget *window() const { return m_window; }
    AlertPresenter *alerts() const { return m_alerts; }

    // Opens these nodes through the selected view (MCBrowsableViewController::openNodes): a
    // folder that is the only node is entered, other folders are skipped, files open in their
    // default applications (an archive only once the user agrees).
    void openNodes(const MCNodeList &nodes);
    // Opens every node (or remote path) with the application of that .desktop file; nothing
    // for an empty path.
    void openNodesWithApplication(const MCNodeList &nodes, const QString &desktopFilePath);
    void openPathsWithApplication(const QStringList &paths, const QString &desktopFilePath);
    // Lets the user pick one of the installed applications, then opens the nodes with it.
    void chooseApplicationAndOpen(const MCNodeList &nodes);

    // MOObjectsManagerCacheDelegate: a file no application took is offered to Open With, with
    // a message; any other failure to open is said.
    void objectCacheErrorError(const QString &path, const MOError &error) override;

    // Local copies: the uncached nodes are downloaded, the cached ones removed.
    void downloadNodes(const MCNodeList &nodes);
    void uncacheNodes(const MCNodeList &nodes);
    // Asks (unless the user said not to), then deletes every node in one request.
    void deleteNodes(const MCNodeList &nodes);

    // The selected view edits the selected item's name.
    void renameSelection();
    // An "Untitled Folder" (numbered when taken) in the folder shown, named in place first.
    void newFolder();
    // The same, and once the service has made it, the nodes are moved into it; a node the
    // service does not move stays where it was, and the failure names it.
    void newFolderWithSelection(const MCNodeList &nodes);
    // Uploads a copy of the template into the folder shown, under its label (numbered when
    // taken).
    void newFileFromTemplate(const QString &templatePath, const QString &label);

    // Asks the service for a link to the one node.
    void getShareLink(const MCNodePtr &node);
    // Hands a link the service made to whoever shows it (shareLinkReceived).
    void showShareLink(const QUrl &link, const MOStorageObject &object);

    // Puts the nodes' remote paths on the clipboard, in order; nothing for no nodes.
    void copyNodes(const MCNodeList &nodes);
    // Pastes the clipboard into the folder shown.
    void paste();
    // Local files are uploaded into destination; remote objects are copied on the service,
    // under a " copy" name when pasted into their own folder.
    void pasteMimeData(const QMimeData *data, const QString &destination);
    // The path a pasted remote object is copied to in destination; empty when it must not be
    // (a folder into itself, or a name already taken in another folder).
    QString pasteDestination(const QString &source, const QString &destination) const;

    // Get Info of each node (of the folder shown for none), and the preview window shown or
    // hidden: the shell owns those windows and answers the requests.
    void showGetInfo(const MCNodeList &nodes) { emit getInfoRequested(nodes); }
    void togglePreviewPanel() { emit previewPanelRequested(); }
    // The New File menu's "Customize this menu...": the shell opens the templates window.
    void customizeNewFiles() { emit newFilesCustomizationRequested(); }

signals:
    void getInfoRequested(const MCNodeList &nodes);
    void previewPanelRequested();
    void newFilesCustomizationRequested();
    // The service made a link to object; the window shows it in the share-link popover.
    void shareLinkReceived(const QUrl &link, const MOStorageObject &object);

private:
    void chooseApplicationAndOpen(const QStringList &paths, const QString &message);
    // The placeholder of a new folder handed to the selected view for naming; null when no
    // folder is shown.
    MCNodePtr addUntitledFolder();

    AlertPresenter *m_alerts;
    QPointer<QWidget> m_window;
};

#endif // MCFILEACTIONS_H
