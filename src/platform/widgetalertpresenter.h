#ifndef WIDGETALERTPRESENTER_H
#define WIDGETALERTPRESENTER_H

#include "alertpresenter.h"

#include <QString>

// Alerts as QMessageBoxes opened with open(): window-modal on the parent, answered through
// the box's finished signal. The box deletes itself when it closes. While it is open it stays in
// front of every window of the program, also of one that opens after it.
class WidgetAlertPresenter : public AlertPresenter
{
public:
    // title: the window title of alerts that bring none of their own, the one the program's
    // other windows carry.
    explicit WidgetAlertPresenter(const QString &title);

    void present(const Alert &alert, QWidget *parent, Completion completion) override;

private:
    QString m_title;
};

#endif // WIDGETALERTPRESENTER_H
