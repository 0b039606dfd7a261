#ifndef MCMAINTOOLBAR_H
#define MCMAINTOOLBAR_H

#include <QToolBar>

class MCCleanUpByMenu;
class MCMenuAction;
class QAbstractButton;
class QButtonGroup;
class QLabel;
class QMenu;
class QToolButton;

// The main window's toolbar: back and forward with their history menus, the view segment (icon,
// list, column), Quick Look, delete, Get Info, new folder and reload, and the action, arrange-by,
// path and share pop-ups. It only holds the controls; the application delegate enables them and
// reacts to them.
class MCMainToolbar : public QToolBar
{
    Q_OBJECT
public:
    MCMainToolbar(MCMenuAction *actionMenu, QWidget *parent = nullptr);

    // segmentedLeftRight: segment 0 goes back, 1 forward; each pops up its history menu
    // ("left", "right") when held or from its arrow.
    QToolButton *backSegment() const { return m_back; }
    QToolButton *forwardSegment() const { return m_forward; }
    QMenu *backMenu() const { return m_backMenu; }
    QMenu *forwardMenu() const { return m_forwardMenu; }

    // segmentedViewType: 0 icon, 1 list, 2 column; at most one is checked.
    QAbstractButton *viewSegment(int index) const;
    // The checked segment, -1 for none.
    int selectedViewSegment() const;
    // Checks index alone; -1 unchecks every segment.
    void selectViewSegment(int index);

    QToolButton *buttonQuickLook() const { return m_quickLook; }
    QToolButton *buttonDelete() const { return m_delete; }
    QToolButton *buttonInfo() const { return m_info; }
    QToolButton *buttonNewFolder() const { return m_newFolder; }
    QToolButton *buttonReload() const { return m_reload; }
    QToolButton *popButtonAction() const { return m_action; }
    QToolButton *popButtonFilter() const { return m_filter; }
    QToolButton *popButtonPath() const { return m_path; }
    QToolButton *popButtonShare() const { return m_share; }
    // The path pop-up's menu: its first item (the button's own icon) stays when it is refilled.
    QMenu *pathMenu() const { return m_pathMenu; }
    // The window's accessory: at the toolbar's right end, as title bars belong to the window
    // manager here.
    QLabel *betaView() const { return m_betaView; }

signals:
    void backForwardClicked(int direction);
    void viewSegmentClicked(int index);

private:
    QToolButton *addButton(const QString &objectName, const QIcon &icon, const QString &text,
                           const QString &toolTip);

    QToolButton *m_back;
    QToolButton *m_forward;
    QMenu *m_backMenu;
    QMenu *m_forwardMenu;
    QButtonGroup *m_viewGroup;
    QToolButton *m_quickLook;
    QToolButton *m_delete;
    QToolButton *m_info;
    QToolButton *m_newFolder;
    QToolButton *m_reload;
    QToolButton *m_action;
    QToolButton *m_filter;
    MCCleanUpByMenu *m_cleanUpBy;
    QToolButton *m_path;
    QMenu *m_pathMenu;
    QToolButton *m_share;
    QLabel *m_betaView;
};

#endif // MCMAINTOOLBAR_H
