#ifndef MCCOUNTERS_H
#define MCCOUNTERS_H

#include <QObject>

// The window's counters: the items selected and shown in the browser, and the transfers
// running. Read and set on the main thread only; the signals go out with no lock held.
class MCCounters : public QObject
{
    Q_OBJECT
public:
    virtual qint64 selectedCount() const = 0;
    virtual qint64 totalCount() const = 0;
    virtual void setTotalCount(qint64 count) = 0;
    virtual qint64 currentUploadsCount() const = 0;
    virtual void setCurrentUploadsCount(qint64 count) = 0;
    virtual qint64 currentDownloadsCount() const = 0;
    virtual void setCurrentDownloadsCount(qint64 count) = 0;

signals:
    void selectedCountChanged();
    void totalCountChanged();
    void currentUploadsCountChanged();
    void currentDownloadsCountChanged();

protected:
    using QObject::QObject;
};

#endif // MCCOUNTERS_H
