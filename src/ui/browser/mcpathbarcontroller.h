#ifndef MCPATHBARCONTROLLER_H
#define MCPATHBARCONTROLLER_H

#include <QIcon>
#include <QWidget>

class MCNavigation;
class MCOptions;
class MCTransferStarter;

// The path bar under the browser: one component per folder from "Kerlo Home" down to the folder
// shown, each with its icon, and none while a page is shown instead of the browser.
// Double-clicking a component shows that folder; remote items dropped on a component move into its
// folder, local files are uploaded into it. Names are drawn as plain text and shortened, so no name
// widens the window.
class MCPathbarController : public QWidget
{
    Q_OBJECT
public:
    // The bar does nothing until the session starts (setHub()).
    explicit MCPathbarController(QWidget *parent = nullptr);

    // Where double-clicks go and what uploads dropped files; none is owned.
    void setHub(MCNavigation *navigation, MCTransferStarter *transfers, const MCOptions *options)
    {
        m_navigation = navigation;
        m_transfers = transfers;
        m_options = options;
    }

    // One component per element of path: "/" then each folder, every one standing for the
    // path accumulated so far.
    void updatePath(const QString &path);
    // No component: a page shown in the browser's place is no folder.
    void clearPath();

    int componentCount() const { return m_components.size(); }
    // The title as drawn: the name made safe to show (MCString::stringForName).
    QString componentTitle(int index) const;
    // The title as it fits its rectangle: shortened in the middle only when there is no room.
    QString componentShownTitle(int index) const;
    QString componentPath(int index) const;
    // Where the component is drawn, in this widget's coordinates (empty when out of sight).
    QRect componentRect(int index) const;
    // The component under position; -1 for none.
    int componentAt(const QPoint &position) const;

    // The bar's background while the application is active or not.
    static QColor activeColor();
    static QColor inactiveColor();
    QColor backgroundColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The action of a double click on the component standing for path.
    void doubleClick(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Component
    {
        QString title;
        QString path;
        QIcon icon;
        QString shownTitle; // elided to its rectangle
        QRect rect;
    };
    void layoutComponents();
    // Whether the drag may drop on the component under it, and how.
    bool acceptDrag(QDropEvent *event);
    void setHighlighted(int index);

    MCNavigation *m_navigation = nullptr;
    MCTransferStarter *m_transfers = nullptr;
    const MCOptions *m_options = nullptr;
    QList<Component> m_components;
    // Where the "…" standing for the ancestors out of sight is drawn; null when all are shown.
    QRect m_gapRect;
    int m_highlighted = -1;
};

#endif // MCPATHBARCONTROLLER_H
