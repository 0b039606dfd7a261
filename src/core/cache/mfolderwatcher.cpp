#include "mfolderwatcher.h"

#include "corelogging.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMultiHash>
#include <QMutex>
#include <QSet>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

namespace {

// What names a changed file, and what changes a folder's entries or the folder itself.
constexpr uint32_t WatchMask = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM |
                               IN_MOVED_TO | IN_DELETE | IN_CREATE | IN_DELETE_SELF | IN_MOVE_SELF |
                               IN_ONLYDIR;
constexpr uint32_t FileEvents =
    IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE;
constexpr uint32_t FileGoneEvents = IN_MOVED_FROM | IN_DELETE;
constexpr uint32_t EntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t FolderGoneEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

QString parentOf(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace

class MFolderWatcherPrivate
{
public:
    struct Folder
    {
        int wd = -1;
        // Added itself, not only as the folder of watched files: its entry changes are
        // reported.
        bool watched = false;
        // The watched files in it, by path.
        QSet<QString> files;
    };

    ~MFolderWatcherPrivate();

    bool watchFolderLocked(const QString &path, Folder *folder);
    void releaseLocked(const QString &path);
    void dropWatchLocked(int wd);
    void readEvents(MFolderWatcher *q);

    mutable QMutex mutex;
    int fd = -1;
    QSocketNotifier *notifier = nullptr;
    QHash<QString, Folder> folders;
    // One folder reached by two paths (a bind mount) is one watch.
    QMultiHash<int, QString> pathsOfWatch;
};

MFolderWatcherPrivate::~MFolderWatcherPrivate()
{
    if (fd >= 0)
        ::close(fd);
}

bool MFolderWatcherPrivate::watchFolderLocked(const QString &path, Folder *folder)
{
    if (folder->wd >= 0)
        return true;
    if (fd < 0)
        return false;
    const int wd = inotify_add_watch(fd, QFile::encodeName(path).constData(), WatchMask);
    if (wd < 0) {
        if (errno == ENOSPC)
            qCWarning(lcCoreCache)
                << "MFolderWatcher: out of inotify watches (fs.inotify.max_user_watches)"
                << "at" << path;
        return false;
    }
    folder->wd = wd;
    pathsOfWatch.insert(wd, path);
    return true;
}

void MFolderWatcherPrivate::releaseLocked(const QString &path)
{
    const auto folder = folders.find(path);
    if (folder == folders.end() || folder->watched || !folder->files.isEmpty())
        return;
    const int wd = folder->wd;
    folders.erase(folder);
    if (wd < 0)
        return;
    pathsOfWatch.remove(wd, path);
    if (!pathsOfWatch.contains(wd))
        inotify_rm_watch(fd, wd);
}

void MFolderWatcherPrivate::dropWatchLocked(int wd)
{
    const QStringList paths = pathsOfWatch.values(wd);
    for (const QString &path : paths) {
        const auto folder = folders.find(path);
        if (folder != folders.end())
            folder->wd = -1;
    }
    pathsOfWatch.remove(wd);
}

void MFolderWatcherPrivate::readEvents(MFolderWatcher *q)
{
    // Each path once per read, in the order first seen: a large write gives many events.
    QStringList changedFiles;
    QStringList changedFolders;
    QSet<QString> seenFiles;
    QSet<QString> seenFolders;
    const auto fileChanged = [&](const QString &path) {
        if (!seenFiles.contains(path)) {
            seenFiles.insert(path);
            changedFiles.append(path);
        }
    };
    const auto folderChanged = [&](const QString &path) {
        const auto folder = folders.constFind(path);
        if (folder != folders.constEnd() && folder->watched && !seenFolders.contains(path)) {
            seenFolders.insert(path);
            changedFolders.append(path);
        }
    };

    alignas(inotify_event) char buffer[64 * 1024];
    {
        QMutexLocker locker(&mutex);
        for (;;) {
            const ssize_t length = ::read(fd, buffer, sizeof buffer);
            if (length <= 0) {
                if (length < 0 && errno == EINTR)
                    continue;
                break;
            }
            for (ssize_t offset = 0; offset < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
                offset += sizeof(inotify_event) + event->len;
                if (event->mask & IN_Q_OVERFLOW) {
                    // Changes were lost: every folder is looked at again for new files.
                    qCWarning(lcCoreCache,
                              "MFolderWatcher: inotify queue overflow; rescanning folders");
                    for (auto it = folders.constBegin(); it != folders.constEnd(); ++it)
                        folderChanged(it.key());
                    continue;
                }
                const QStringList paths = pathsOfWatch.values(event->wd);
                for (const QString &path : paths) {
                    const auto folder = folders.find(path);
                    if (folder == folders.end())
                        continue;
                    if (event->len > 0) {
                        const QString file =
                            path + QLatin1Char('/') + QFile::decodeName(QByteArray(event->name));
                        if ((event->mask & FileEvents) && folder->files.contains(file)) {
                            fileChanged(file);
                            // Gone from this name: a file made under it later is a new one.
                            if (event->mask & FileGoneEvents)
                                folder->files.remove(file);
                        }
                        if (event->mask & EntryEvents)
                            folderChanged(path);
                    } else if (event->mask & FolderGoneEvents) {
                        // Its files are gone from their names with it.
                        for (const QString &file : qAsConst(folder->files))
                            fileChanged(file);
                        folder->files.clear();
                        folderChanged(path);
                        // No longer watched, as QFileSystemWatcher drops a folder that went.
                        folder->watched = false;
                    }
                }
                if (event->mask & (FolderGoneEvents | IN_IGNORED)) {
                    // A moved folder's watch would follow it under another name.
                    if (!(event->mask & IN_IGNORED))
                        inotify_rm_watch(fd, event->wd);
                    dropWatchLocked(event->wd);
                }
            }
        }
        // Folders whose last watched file went are let go of.
        for (const QString &path : qAsConst(changedFiles))
            releaseLocked(parentOf(path));
        for (const QString &path : qAsConst(changedFolders))
            releaseLocked(path);
    }
    for (const QString &path : qAsConst(changedFiles))
        emit q->fileChanged(path);
    for (const QString &path : qAsConst(changedFolders))
        emit q->directoryChanged(path);
}

MFolderWatcher::MFolderWatcher(QObject *parent)
    : QObject(parent)
    , d_ptr(new MFolderWatcherPrivate)
{
    Q_D(MFolderWatcher);
    d->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (d->fd < 0) {
        qCWarning(lcCoreCache) << "MFolderWatcher: cannot use inotify:" << qt_error_string(errno);
        return;
    }
    d->notifier = new QSocketNotifier(d->fd, QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] { d_func()->readEvents(this); });
}

MFolderWatcher::~MFolderWatcher() = default;

bool MFolderWatcher::addPath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    return info.isDir() ? addFolder(path) : addFile(path);
}

bool MFolderWatcher::addFile(const QString &path)
{
    Q_D(MFolderWatcher);
    const QString folderPath = parentOf(path);
    QMutexLocker locker(&d->mutex);
    MFolderWatcherPrivate::Folder &folder = d->folders[folderPath];
    if (!d->watchFolderLocked(folderPath, &folder)) {
        d->releaseLocked(folderPath);
        return false;
    }
    folder.files.insert(path);
    return true;
}

bool MFolderWatcher::addFolder(const QString &path)
{
    Q_D(MFolderWatcher);
    QMutexLocker locker(&d->mutex);
    MFolderWatcherPrivate::Folder &folder = d->folders[path];
    if (!d->watchFolderLocked(path, &folder)) {
        d->releaseLocked(path);
        return false;
    }
    folder.watched = true;
    return true;
}

void MFolderWatcher::removePath(const QString &path)
{
    Q_D(MFolderWatcher);
    QMutexLocker locker(&d->mutex);
    const QString folderPath = parentOf(path);
    const auto parent = d->folders.find(folderPath);
    if (parent != d->folders.end() && parent->files.remove(path)) {
        d->releaseLocked(folderPath);
        return;
    }
    const auto folder = d->folders.find(path);
    if (folder != d->folders.end()) {
        folder->watched = false;
        d->releaseLocked(path);
    }
}

bool MFolderWatcher::isWatching(const QString &path) const
{
    Q_D(const MFolderWatcher);
    QMutexLocker locker(&d->mutex);
    const auto parent = d->folders.constFind(parentOf(path));
    if (parent != d->folders.constEnd() && parent->files.contains(path) && parent->wd >= 0)
        return true;
    const auto folder = d->folders.constFind(path);
    return folder != d->folders.constEnd() && folder->watched && folder->wd >= 0;
}
