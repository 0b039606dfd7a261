#ifndef MCBROWSABLEVIEWCONTROLLER_H
#define MCBROWSABLEVIEWCONTROLLER_H

#include "mcabstractobjectnode.h"
#include "mcnodetreeupdater.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class MCBrowsableViewsHelper;
class MOObjectsManager;
struct MOPostedNotification;

// The base of the icon, list and column views of the remote store: the folder each view shows
// (its own copy of the current node, so badges and placeholders stay per view) and the tree
// updater that keeps that copy in step with the objects facade's notifications. Folder changes
// go through changeToPath(), which every view shares. Main thread only.
class MCBrowsableViewController : public QWidget
{
    Q_OBJECT
public:
    using CompletionBlock = std::function<void()>;

    // Subscribes to objectsManager's notifications; objectsManager may be null (no updates).
    explicit MCBrowsableViewController(MOObjectsManager *objectsManager = nullptr,
                                       QWidget *parent = nullptr);
    ~MCBrowsableViewController() override;

    // The browser's navigation entry: asks for the folder's metadata marked as a navigation
    // request; completion (may be empty) runs once every view has the folder's children, or
    // once the service has said the folder cannot be shown. Does nothing before a helper is
    // installed.
    static void changeToPath(const QString &path, QObject *sender, CompletionBlock completion);
    // The helper that carries the navigation entry; not owned, forgotten when destroyed.
    static void setHelper(MCBrowsableViewsHelper *helper);
    static MCBrowsableViewsHelper *helper();

    // The folder shown: a copy of node, whose children this view builds itself.
    MCNodePtr currentNode() const { return m_updater.rootNode(); }
    void setCurrentNode(const MCNodePtr &node);
    MCNodeTreeUpdater &updater() { return m_updater; }

    // A listing arrived (handed on by the helper, so that the views have their children before
    // the navigation's completion runs).
    void listingArrived(const MOPostedNotification &notification);

    virtual MCNodeList getSelectedItems() const { return {}; }
    virtual void preserveSelection(const MCNodeList &nodes) { Q_UNUSED(nodes) }
    // Starts editing the name of the one selected item in place.
    virtual void startRename() {}
    // Shows node (an MCFakeNode) at path until the service answers; with shouldBeginEditing
    // its name is edited in place first (a new folder).
    virtual void addPlaceholderNode(const MCNodePtr &node, const QString &path,
                                    bool shouldBeginEditing)
    {
        Q_UNUSED(node)
        Q_UNUSED(path)
        Q_UNUSED(shouldBeginEditing)
    }
    // The widget that takes the keyboard focus when this view is shown.
    virtual QWidget *firstResponder() const
    {
        return const_cast<MCBrowsableViewController *>(this);
    }
    // The names now shown, in order; for tests and the status text.
    virtual QStringList shownNames() const { return {}; }

signals:
    void selectedCountChanged(qint64 count);
    // The user asked to show a folder (a double click on it, say).
    void navigationRequested(const QString &path);

protected:
    // The view's node changed, or its children were edited by a notification.
    virtual void currentNodeChanged(const MCNodePtr &node) { Q_UNUSED(node) }
    virtual void childrenEdited() {}

private:
    void objectsNotification(const MOPostedNotification &notification);

    MCNodeTreeUpdater m_updater;
};

#endif // MCBROWSABLEVIEWCONTROLLER_H
