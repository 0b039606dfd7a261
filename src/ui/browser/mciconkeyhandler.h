#ifndef MCICONKEYHANDLER_H
#define MCICONKEYHANDLER_H

#include <QObject>

class QAbstractItemView;

// The icon view's keys for its items, as a file manager has them: Return, Enter and F2 name
// the selected item in place; Ctrl+O and Ctrl+Down open the selection. Other keys keep the
// view's own handling (arrows, type-to-select). Keys typed into an open name editor never
// reach it.
class MCIconKeyHandler : public QObject
{
    Q_OBJECT
public:
    // Watches view's key presses; parented to view.
    explicit MCIconKeyHandler(QAbstractItemView *view);

signals:
    void renameRequested();
    void openRequested();

protected:
    bool eventFilter(QObject *object, QEvent *event) override;
};

#endif // MCICONKEYHANDLER_H
