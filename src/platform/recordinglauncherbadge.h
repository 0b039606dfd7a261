#ifndef RECORDINGLAUNCHERBADGE_H
#define RECORDINGLAUNCHERBADGE_H

#include "launcherbadge.h"

#include <QList>
#include <QPointer>
#include <QWidget>

// Test double of LauncherBadge: keeps the count, records each change and each attention
// request.
class RecordingLauncherBadge : public LauncherBadge
{
public:
    int count() const override { return m_count; }
    void setCount(int count) override
    {
        m_count = count > 0 ? count : 0;
        m_counts.append(m_count);
    }
    void requestAttention(QWidget *window) override { m_attention.append(window); }

    // Every count set, in order.
    QList<int> counts() const { return m_counts; }
    int attentionRequests() const { return m_attention.size(); }
    QList<QPointer<QWidget>> attentionWindows() const { return m_attention; }

private:
    int m_count = 0;
    QList<int> m_counts;
    QList<QPointer<QWidget>> m_attention;
};

#endif // RECORDINGLAUNCHERBADGE_H
