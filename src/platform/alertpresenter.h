#ifndef ALERTPRESENTER_H
#define ALERTPRESENTER_H

#include "alert.h"

#include <functional>

class QWidget;

// Shows alerts and sheets. The contract every implementation keeps:
// - present() returns at once; no event loop runs inside it (never a nested exec()).
// - The alert is modal to its parent window only (window-modal); with no parent it is modal to
//   the application.
// - completion runs exactly once, from the event loop, after present() has returned, with the
//   button the user chose, unless the parent is destroyed first: then the alert goes with it
//   and completion is never called (it may hold pointers into the parent's owner).
// - Several alerts may be open at once; each keeps its own completion.
// Implementations: WidgetAlertPresenter (QMessageBox), ScriptedAlertPresenter (tests).
class AlertPresenter
{
public:
    using Completion = std::function<void(const AlertAnswer &answer)>;

    virtual ~AlertPresenter() = default;
    virtual void present(const Alert &alert, QWidget *parent, Completion completion) = 0;
};

#endif // ALERTPRESENTER_H
