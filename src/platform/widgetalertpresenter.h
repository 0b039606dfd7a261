#ifndef WIDGETALERTPRESENTER_H
#define WIDGETALERTPRESENTER_H

#include "alertpresenter.h"

// Alerts as QMessageBoxes opened with open(): window-modal on the parent, answered through
// the box's finished signal. The box deletes itself when it closes. While it is open it stays in
// front of every window of the program, also of one that opens after it.
class WidgetAlertPresenter : public AlertPresenter
{
public:
    void present(const Alert &alert, QWidget *parent, Completion completion) override;
};

#endif // WIDGETALERTPRESENTER_H
