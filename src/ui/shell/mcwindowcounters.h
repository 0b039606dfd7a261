#ifndef MCWINDOWCOUNTERS_H
#define MCWINDOWCOUNTERS_H

#include "mccounters.h"

// The hub's counters: what the browser selects and shows, and the transfers running.
class MCWindowCounters : public MCCounters
{
    Q_OBJECT
    Q_PROPERTY(
        qint64 selectedCount READ selectedCount WRITE setSelectedCount NOTIFY selectedCountChanged)
    Q_PROPERTY(qint64 totalCount READ totalCount WRITE setTotalCount NOTIFY totalCountChanged)
    Q_PROPERTY(qint64 currentUploadsCount READ currentUploadsCount WRITE setCurrentUploadsCount
                   NOTIFY currentUploadsCountChanged)
    Q_PROPERTY(qint64 currentDownloadsCount READ currentDownloadsCount WRITE
                   setCurrentDownloadsCount NOTIFY currentDownloadsCountChanged)
public:
    explicit MCWindowCounters(QObject *parent = nullptr);

    qint64 selectedCount() const override { return m_selectedCount; }
    void setSelectedCount(qint64 count);
    qint64 totalCount() const override { return m_totalCount; }
    void setTotalCount(qint64 count) override;
    qint64 currentUploadsCount() const override { return m_currentUploadsCount; }
    // Never below 0; announced even when unchanged.
    void setCurrentUploadsCount(qint64 count) override;
    qint64 currentDownloadsCount() const override { return m_currentDownloadsCount; }
    void setCurrentDownloadsCount(qint64 count) override;

private:
    qint64 m_selectedCount = 0;
    qint64 m_totalCount = 0;
    qint64 m_currentUploadsCount = 0;
    qint64 m_currentDownloadsCount = 0;
};

#endif // MCWINDOWCOUNTERS_H
