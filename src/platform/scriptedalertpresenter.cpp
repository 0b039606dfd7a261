#include "scriptedalertpresenter.h"

#include "platformlogging.h"

#include <QTimer>

ScriptedAlertPresenter::ScriptedAlertPresenter(QObject *parent)
    : QObject(parent)
{}

ScriptedAlertPresenter::~ScriptedAlertPresenter() = default;

void ScriptedAlertPresenter::present(const Alert &alert, QWidget *parent, Completion completion)
{
    const quint64 id = m_nextId++;
    m_alerts.append(alert);
    m_parents.append(parent);
    m_pending.append({id, alert, parent, parent != nullptr, std::move(completion)});
    emit alertPresented(alert);
    if (m_queued.isEmpty())
        return;
    const Scripted scripted = m_queued.takeFirst();
    // Answered from the event loop, as a real alert is.
    QTimer::singleShot(0, this, [this, id, scripted] {
        dropOrphans();
        for (int i = 0; i < m_pending.size(); ++i) {
            if (m_pending.at(i).id == id) {
                if (!answerAt(i, scripted))
                    qCWarning(lcAlerts, "Queued answer \"%s\" matches no button of \"%s\"",
                              qPrintable(scripted.title),
                              qPrintable(m_pending.at(i).alert.messageText));
                return;
            }
        }
    });
}

void ScriptedAlertPresenter::queueAnswer(int button, bool suppressed)
{
    m_queued.append({button, QString(), suppressed});
}

void ScriptedAlertPresenter::queueAnswer(const QString &buttonTitle, bool suppressed)
{
    m_queued.append({-1, buttonTitle, suppressed});
}

bool ScriptedAlertPresenter::answer(int button, bool suppressed)
{
    dropOrphans();
    return answerAt(0, {button, QString(), suppressed});
}

bool ScriptedAlertPresenter::answer(const QString &buttonTitle, bool suppressed)
{
    dropOrphans();
    return answerAt(0, {-1, buttonTitle, suppressed});
}

bool ScriptedAlertPresenter::answerAt(int index, const Scripted &scripted)
{
    if (index < 0 || index >= m_pending.size())
        return false;
    const int button = buttonIndex(m_pending.at(index).alert, scripted);
    if (button < 0)
        return false;
    const Pending pending = m_pending.takeAt(index);
    AlertAnswer answer;
    answer.button = button;
    answer.suppressed = scripted.suppressed && !pending.alert.suppressionText.isEmpty();
    if (pending.completion)
        pending.completion(answer);
    return true;
}

QList<Alert> ScriptedAlertPresenter::alerts() const
{
    return m_alerts;
}

QList<QPointer<QWidget>> ScriptedAlertPresenter::parents() const
{
    return m_parents;
}

int ScriptedAlertPresenter::pendingCount() const
{
    int count = 0;
    for (const Pending &pending : m_pending)
        count += pending.hadParent && !pending.parent ? 0 : 1;
    return count;
}

Alert ScriptedAlertPresenter::pendingAlert(int index) const
{
    for (const Pending &pending : m_pending) {
        if (pending.hadParent && !pending.parent)
            continue;
        if (index-- == 0)
            return pending.alert;
    }
    return Alert();
}

void ScriptedAlertPresenter::clearRecord()
{
    m_alerts.clear();
    m_parents.clear();
}

int ScriptedAlertPresenter::buttonIndex(const Alert &alert, const Scripted &scripted) const
{
    const int count = alert.buttons.isEmpty() ? 1 : alert.buttons.size();
    if (scripted.title.isEmpty())
        return scripted.button >= 0 && scripted.button < count ? scripted.button : -1;
    if (alert.buttons.isEmpty())
        return scripted.title == QLatin1String("OK") ? 0 : -1;
    return alert.buttons.indexOf(scripted.title);
}

void ScriptedAlertPresenter::dropOrphans()
{
    for (int i = m_pending.size() - 1; i >= 0; --i) {
        if (m_pending.at(i).hadParent && !m_pending.at(i).parent)
            m_pending.removeAt(i);
    }
}
