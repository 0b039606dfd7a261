#ifndef MFOLDERWATCHER_H
#define MFOLDERWATCHER_H

#include <QObject>
#include <QScopedPointer>
#include <QStringList>

class MFolderWatcherPrivate;

// Watches files and folders by watching folders: one inotify watch per folder names every
// file changed in it, so that watching a file costs a set insertion, where
// QFileSystemWatcher searches a list of all watched paths for each one added. A watched file
// is a name in a watched folder: saved in place, replaced by a rename (an atomic save),
// deleted or moved away, it is reported by name. As with QFileSystemWatcher, a file deleted
// or moved away is no longer watched until added again, and a folder deleted or moved away
// is reported and no longer watched.
class MFolderWatcher : public QObject
{
    Q_OBJECT
public:
    explicit MFolderWatcher(QObject *parent = nullptr);
    ~MFolderWatcher() override;

    // A file or folder, told apart on disk. False when it cannot be watched.
    bool addPath(const QString &path);
    // For callers that know which one path is, without asking the disk again.
    bool addFile(const QString &path);
    bool addFolder(const QString &path);
    void removePath(const QString &path);

    bool isWatching(const QString &path) const;

signals:
    void fileChanged(const QString &path);
    // An entry of the folder was made, deleted or moved, or the folder itself went.
    void directoryChanged(const QString &path);

private:
    Q_DECLARE_PRIVATE(MFolderWatcher)
    Q_DISABLE_COPY(MFolderWatcher)
    QScopedPointer<MFolderWatcherPrivate> d_ptr;
};

#endif // MFOLDERWATCHER_H
