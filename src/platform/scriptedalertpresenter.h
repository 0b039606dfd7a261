#ifndef SCRIPTEDALERTPRESENTER_H
#define SCRIPTEDALERTPRESENTER_H

#include "alertpresenter.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

// Test double of AlertPresenter: records every alert and answers it from a script.
//
// An answer queued with queueAnswer() answers the next presented alert; its completion runs
// from the event loop (as with real alerts: never inside present()). Alerts that find no queued
// answer stay pending until the test calls answer(), which runs the oldest pending alert's
// completion before it returns. A pending alert whose parent has been destroyed is dropped
// without calling its completion, as the real presenter does.
class ScriptedAlertPresenter
    : public QObject
    , public AlertPresenter
{
    Q_OBJECT
public:
    explicit ScriptedAlertPresenter(QObject *parent = nullptr);
    ~ScriptedAlertPresenter() override;

    void present(const Alert &alert, QWidget *parent, Completion completion) override;

    // Answers for the coming alerts, in order: by index, or by button title (must be one of
    // the alert's buttons, else the alert stays pending and a warning is logged).
    void queueAnswer(int button, bool suppressed = false);
    void queueAnswer(const QString &buttonTitle, bool suppressed = false);

    // Answers the oldest pending alert. False, and the alert stays pending, when nothing is
    // pending or the answer names no button of it.
    bool answer(int button, bool suppressed = false);
    bool answer(const QString &buttonTitle, bool suppressed = false);

    // Every alert presented so far, oldest first, answered or not.
    QList<Alert> alerts() const;
    // The parent each alert was presented on (null once destroyed), in the same order.
    QList<QPointer<QWidget>> parents() const;
    // Alerts not answered yet.
    int pendingCount() const;
    Alert pendingAlert(int index = 0) const;
    // Forgets the record (not the pending alerts or queued answers).
    void clearRecord();

signals:
    // After each present() has recorded the alert.
    void alertPresented(const Alert &alert);

private:
    struct Pending
    {
        quint64 id = 0;
        Alert alert;
        QPointer<QWidget> parent;
        bool hadParent = false;
        Completion completion;
    };
    struct Scripted
    {
        int button = -1;
        QString title;
        bool suppressed = false;
    };

    int buttonIndex(const Alert &alert, const Scripted &scripted) const;
    void dropOrphans();
    bool answerAt(int index, const Scripted &scripted);

    QList<Alert> m_alerts;
    QList<QPointer<QWidget>> m_parents;
    QList<Pending> m_pending;
    QList<Scripted> m_queued;
    quint64 m_nextId = 1;
};

#endif // SCRIPTEDALERTPRESENTER_H
