#include "widgetalertpresenter.h"

#include "platformlogging.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon iconFor(Alert::Style style)
{
    switch (style) {
    case Alert::Warning:
        return QMessageBox::Warning;
    case Alert::Critical:
        return QMessageBox::Critical;
    case Alert::Informational:
        break;
    }
    return QMessageBox::Information;
}

} // namespace

void WidgetAlertPresenter::present(const Alert &alert, QWidget *parent, Completion completion)
{
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(alert.windowTitle.isEmpty() ? QCoreApplication::applicationName()
                                                    : alert.windowTitle);
    box->setText(alert.messageText);
    box->setInformativeText(alert.informativeText);
    // Texts may carry names from the service: never rich text. The box guesses the format of
    // its informative text on its own, so that label is told too.
    box->setTextFormat(Qt::PlainText);
    if (auto *informative = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    if (alert.icon.isNull())
        box->setIcon(iconFor(alert.style));
    else
        box->setIconPixmap(alert.icon);

    const QStringList titles = alert.buttons.isEmpty()
                                   ? QStringList{QCoreApplication::translate("Alert", "OK")}
                                   : alert.buttons;
    QList<QPushButton *> buttons;
    for (int i = 0; i < titles.size(); ++i) {
        const bool isCancel = titles.at(i) == QLatin1String("Cancel");
        buttons.append(box->addButton(titles.at(i), isCancel ? QMessageBox::RejectRole
                                                             : QMessageBox::AcceptRole));
    }
    if (alert.defaultButton >= 0 && alert.defaultButton < buttons.size())
        box->setDefaultButton(buttons.at(alert.defaultButton));
    int escape = alert.escapeButton;
    if (escape < 0)
        escape = titles.indexOf(QStringLiteral("Cancel"));
    if (escape >= 0 && escape < buttons.size())
        box->setEscapeButton(buttons.at(escape));

    if (!alert.suppressionText.isEmpty())
        box->setCheckBox(new QCheckBox(alert.suppressionText, box));

    // finished comes once, from the event loop, also when the window manager closes the box
    // (then the escape button, or none, is the clicked one).
    QObject::connect(box, &QMessageBox::finished, box, [box, buttons, completion] {
        AlertAnswer answer;
        answer.button = buttons.indexOf(static_cast<QPushButton *>(box->clickedButton()));
        answer.suppressed = box->checkBox() && box->checkBox()->isChecked();
        qCDebug(lcAlerts, "Alert answered with button %d", answer.button);
        if (completion)
            completion(answer);
    });
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box->open();
}
