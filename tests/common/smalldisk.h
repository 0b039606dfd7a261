#ifndef SMALLDISK_H
#define SMALLDISK_H

#include <QFile>
#include <QString>

#include <sys/mount.h>

// A 2 MiB memory file system mounted over a folder while it lives, for a disk that fills up
// for real; what the folder held shows again once it is unmounted. Mounting needs privileges a
// run may not have: mounted() says whether it worked.
class SmallDisk
{
public:
    static constexpr qint64 Size = 2 * 1024 * 1024;

    explicit SmallDisk(const QString &folder)
        : m_folder(QFile::encodeName(folder))
        , m_mounted(::mount("tmpfs", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                            "size=2m,mode=0700") == 0)
    {}
    ~SmallDisk() { unmount(); }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    void unmount()
    {
        // Detached when still busy: the folder shows its own contents again at once.
        if (m_mounted && ::umount2(m_folder.constData(), 0) != 0)
            ::umount2(m_folder.constData(), MNT_DETACH);
        m_mounted = false;
    }

private:
    QByteArray m_folder;
    bool m_mounted;
};

#endif // SMALLDISK_H
