#include "widgetalertpresenter.h"

#include "platformlogging.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

#include <algorithm>

namespace {

// Keeps the open alerts in front of every other window of the program. A window shown while an
// alert is open (the tour that a first sign-in opens with a start-up alert, a small window
// opened with a sheet) would otherwise stand over the modal alert and take no input, leaving
// the user nothing to answer.
class AlertsInFront : public QObject
{
public:
    // One for the application, going with it.
    static AlertsInFront &instance()
    {
        static QPointer<AlertsInFront> keeper;
        if (!keeper)
            keeper = new AlertsInFront(qApp);
        return *keeper;
    }

    void add(QMessageBox *box)
    {
        m_boxes.append(box);
        // Shown before the window it belongs to: the window manager took it for a window of
        // its own and stacks it below that window once it shows.
        if (box->parentWidget() && !box->parentWidget()->window()->isVisible())
            m_early.append(box);
        QObject::connect(box, &QObject::destroyed, this, [this] { forgetClosed(); });
        QObject::connect(box, &QDialog::finished, this, [this] { forgetClosed(); });
        if (m_boxes.size() == 1)
            qApp->installEventFilter(this);
    }

    // A window the alert blocks took the focus (the window manager gave it back to the window
    // the alert is on): the alert takes it, as the window itself takes no input meanwhile.
    void focusMoved(QWindow *focus)
    {
        QWidget *window = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->windowHandle() == focus)
                window = widget;
        }
        if (!window || m_raiseQueued)
            return;
        for (const QPointer<QWidget> &box : qAsConst(m_boxes)) {
            if (box && box != window && box->isVisible() && blocks(box, window)) {
                m_raiseQueued = true;
                QMetaObject::invokeMethod(this, &AlertsInFront::bringForward, Qt::QueuedConnection);
                return;
            }
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType() && !m_raiseQueued) {
            auto *widget = static_cast<QWidget *>(watched);
            if (widget->isWindow() && coversAlerts(widget)) {
                // After the window's own show, raise and activation have reached the display.
                m_raiseQueued = true;
                QMetaObject::invokeMethod(this, &AlertsInFront::bringForward, Qt::QueuedConnection);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    explicit AlertsInFront(QObject *parent)
        : QObject(parent)
    {
        connect(qApp, &QGuiApplication::focusWindowChanged, this, &AlertsInFront::focusMoved);
    }

    // Whether the modal box takes the input of window: an application-modal one every window's,
    // a window-modal one that of the window it is on, of that window's own ancestors and of
    // every window of theirs.
    static bool blocks(const QWidget *box, const QWidget *window)
    {
        if (box->windowModality() == Qt::ApplicationModal)
            return true;
        if (box->windowModality() != Qt::WindowModal)
            return false;
        QList<const QWidget *> owners;
        for (const QWidget *owner = box->parentWidget(); owner; owner = owner->parentWidget())
            owners.append(owner->window());
        for (const QWidget *w = window; w; w = w->parentWidget()) {
            if (owners.contains(w->window()))
                return true;
        }
        return false;
    }

    bool coversAlerts(const QWidget *window) const
    {
        switch (window->windowType()) {
        case Qt::Popup:
        case Qt::ToolTip:
        case Qt::SplashScreen:
            return false;
        default:
            break;
        }
        for (const QPointer<QWidget> &box : m_boxes) {
            if (box == window)
                return false;
        }
        return true;
    }

    void bringForward()
    {
        m_raiseQueued = false;
        QWidget *last = nullptr;
        for (const QPointer<QWidget> &box : qAsConst(m_boxes)) {
            if (!box || !box->isVisible())
                continue;
            if (m_early.contains(box) && box->parentWidget()->window()->isVisible()) {
                // Shown again, it is the window's own, and the newest window on the screen.
                m_early.removeAll(box);
                box->hide();
                box->show();
            }
            box->raise();
            last = box;
        }
        if (last) {
            qCDebug(lcAlerts, "Another window opened over an alert: the alert comes back in front");
            last->activateWindow();
        }
    }

    void forgetClosed()
    {
        m_boxes.erase(
            std::remove_if(m_boxes.begin(), m_boxes.end(),
                           [](const QPointer<QWidget> &box) { return !box || !box->isVisible(); }),
            m_boxes.end());
        m_early.erase(
            std::remove_if(m_early.begin(), m_early.end(),
                           [this](const QPointer<QWidget> &box) { return !m_boxes.contains(box); }),
            m_early.end());
        if (m_boxes.isEmpty())
            qApp->removeEventFilter(this);
    }

    // Held as widgets: a box being destroyed is a QMessageBox no longer when it says so.
    QList<QPointer<QWidget>> m_boxes;
    QList<QPointer<QWidget>> m_early;
    bool m_raiseQueued = false;
};

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

WidgetAlertPresenter::WidgetAlertPresenter(const QString &title)
    : m_title(title)
{}

void WidgetAlertPresenter::present(const Alert &alert, QWidget *parent, Completion completion)
{
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(alert.windowTitle.isEmpty() ? m_title : alert.windowTitle);
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
    AlertsInFront::instance().add(box);
}
