#ifndef RECORDINGDESKTOPNOTIFIER_H
#define RECORDINGDESKTOPNOTIFIER_H

#include "desktopnotifier.h"

#include <QList>
#include <QPair>

// Test double of DesktopNotifier: records (title, informative text) pairs in order.
class RecordingDesktopNotifier : public DesktopNotifier
{
public:
    void notify(const QString &title, const QString &informativeText) override
    {
        m_notifications.append({title, informativeText});
    }
    QList<QPair<QString, QString>> notifications() const { return m_notifications; }

private:
    QList<QPair<QString, QString>> m_notifications;
};

#endif // RECORDINGDESKTOPNOTIFIER_H
