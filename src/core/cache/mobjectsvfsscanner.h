#ifndef MOBJECTSVFSSCANNER_H
#define MOBJECTSVFSSCANNER_H

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>

class MObjectsVirtualFileSystem;

// Lists one folder of the local cache's working copy on the thread it was moved to and
// reports the entries the cache neither indexes nor ignores. Once stopped it stays stopped.
class MObjectsVFSScanner : public QObject
{
    Q_OBJECT
public:
    explicit MObjectsVFSScanner(MObjectsVirtualFileSystem *cache);

signals:
    // Full local paths, one level of the folder scanned.
    void pathsAdded(const QStringList &paths);
    void stopped();

public slots:
    // The scan runs later on the scanner's thread, whichever thread asks.
    void scheduleScan(const QString &path);
    void stop();

private slots:
    void scan(const QString &path);

private:
    MObjectsVirtualFileSystem *cache;
    // Written by the cache's thread while a scan reads it.
    std::atomic_bool stopRequested{false};
    bool scanning = false;
    QMutex mutex;
};

#endif // MOBJECTSVFSSCANNER_H
