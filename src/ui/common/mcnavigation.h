#ifndef MCNAVIGATION_H
#define MCNAVIGATION_H

#include "mchistoryplace.h"

#include <QObject>
#include <QSharedPointer>
#include <QString>

#include <functional>

class MCAbstractObjectNode;
class MCBrowsableViewController;
class QMenu;
class QWidget;

using MCNodePtr = QSharedPointer<MCAbstractObjectNode>;

// Where the window is and how to go elsewhere: the folder shown, the page shown instead of the
// browser, the view in front, the context menus and the history. Main thread only.
class MCNavigation : public QObject
{
    Q_OBJECT
public:
    using CompletionBlock = std::function<void()>;

    virtual QString currentPath() const = 0;
    virtual MCNodePtr currentNode() const = 0;
    virtual MCNodePtr modelRootNode() const = 0;
    // Empty while the browser is shown.
    virtual QString notBrowsablePath() const = 0;
    virtual void setNotBrowsablePath(const QString &path) = 0;
    virtual QWidget *notBrowsableController() const = 0;
    virtual MCBrowsableViewController *selectedController() const = 0;
    virtual bool isSelectedController(const MCBrowsableViewController *controller) const = 0;
    // The context menu of selected items and the one of a view's background; null before the
    // shell made them.
    virtual QMenu *selectionContextMenu() const = 0;
    virtual QMenu *backgroundContextMenu() const = 0;

    // Leaves any page and shows the folder at path; completion runs once the browser views
    // have its children.
    virtual void changeToPath(const QString &path, QObject *sender,
                              CompletionBlock completion = {}) = 0;
    // A new place: forgets the forward history and remembers the current folder.
    virtual void doubleClickNavigation(const QString &path, QObject *sender) = 0;
    virtual void addBackPath(const MCHistoryPlace &place) = 0;
    // What the window shows: the page or chat shown instead of the browser, else the folder.
    virtual MCHistoryPlace shownPlace() const = 0;
    virtual void clearForwardHistory() = 0;

signals:
    void currentPathChanged();
    void currentNodeChanged();
    void notBrowsablePathChanged();
    void arrayBackChanged();
    void arrayForwardChanged();

protected:
    using QObject::QObject;
};

#endif // MCNAVIGATION_H
