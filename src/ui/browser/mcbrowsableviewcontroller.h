#ifndef MCBROWSABLEVIEWCONTROLLER_H
#define MCBROWSABLEVIEWCONTROLLER_H

#include "mcabstractobjectnode.h"
#include "mcnodeobserver.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class MCBrowsableViewsHelper;
class QListWidget;

// The base of the icon, list and column views of the remote store. This one shows the
// current folder's children as a plain list; the views proper replace it.
class MCBrowsableViewController
    : public QWidget
    , public MCNodeObserver
{
    Q_OBJECT
public:
    using CompletionBlock = std::function<void()>;

    explicit MCBrowsableViewController(QWidget *parent = nullptr);
    ~MCBrowsableViewController() override;

    // The browser's navigation entry: asks for the folder's metadata marked as a navigation
    // request; completion (may be empty) runs once every view has the folder's children.
    // Does nothing before a helper is installed.
    static void changeToPath(const QString &path, QObject *sender, CompletionBlock completion);
    // The helper that carries the navigation entry; not owned, forgotten when destroyed.
    static void setHelper(MCBrowsableViewsHelper *helper);
    static MCBrowsableViewsHelper *helper();

    MCNodePtr currentNode() const { return m_currentNode; }
    virtual void setCurrentNode(const MCNodePtr &node);
    MCNodeList getSelectedItems() const;
    void preserveSelection(const MCNodeList &nodes);
    // The widget that takes the keyboard focus when this view is shown.
    QWidget *firstResponder() const;
    // The names now listed, in order; for tests and the status text.
    QStringList shownNames() const;

signals:
    void selectedCountChanged(qint64 count);

protected:
    void showEvent(QShowEvent *event) override;

    void nodeChildrenReady(MCAbstractObjectNode *node) override;

private:
    void reload();

    QListWidget *m_list;
    MCNodePtr m_currentNode;
    MCNodeList m_shown; // the listed children, row by row
    bool m_reloadWhenShown = false;
};

#endif // MCBROWSABLEVIEWCONTROLLER_H
