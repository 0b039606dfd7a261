#ifndef MCVIEWCHOICE_H
#define MCVIEWCHOICE_H

#include <QObject>

class QAction;
class QActionGroup;
class QMenu;

// The three items that pick the browser view, "as Icons", "as List" and "as Columns" (tags 0,
// 1 and 2), of which the one shown is ticked, and the item that shows or hides the View
// Options window. The View menu and the background's context menu each have a set.
class MCViewChoice : public QObject
{
    Q_OBJECT
public:
    enum View { IconView, ListView, ColumnView };

    // The items go into menu; with keys, Ctrl+1 to Ctrl+3 pick the views and Ctrl+J shows the
    // options.
    MCViewChoice(QMenu *menu, bool withKeys);

    QAction *item(int view) const;
    QAction *viewOptionsItem() const { return m_viewOptions; }
    // Ticks the item of view (updateViewSelection:).
    void updateViewSelection(int view);
    // "Show View Options" or "Hide View Options".
    void setViewOptionsShown(bool shown);
    // The items work while the browser is shown.
    void setEnabled(bool enabled);

signals:
    void viewChosen(int view);
    void viewOptionsRequested();

private:
    QActionGroup *m_group;
    QAction *m_viewOptions;
};

#endif // MCVIEWCHOICE_H
