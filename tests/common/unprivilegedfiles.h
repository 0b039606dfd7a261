#ifndef UNPRIVILEGEDFILES_H
#define UNPRIVILEGEDFILES_H

#include <QFile>
#include <QString>

#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

// While it lives, the calling thread opens, makes and renames files as the unprivileged user
// "nobody" would: root reads a file of mode 000 and moves anybody's file aside, a user does
// neither. Only file access changes (setfsuid), and only on this thread; the process keeps
// its identity, its other threads and its bus connections. Needs root: active() says whether
// it worked.
class UnprivilegedFiles
{
public:
    UnprivilegedFiles()
    {
        const passwd *user = ::getpwnam("nobody");
        if (::geteuid() != 0 || !user)
            return;
        m_uid = user->pw_uid;
        m_gid = user->pw_gid;
        ::setfsgid(m_gid);
        ::setfsuid(m_uid);
        // The call answers with the value before it: asked again, it tells whether it took.
        m_active = int(::setfsuid(m_uid)) == int(m_uid);
    }
    ~UnprivilegedFiles()
    {
        if (m_active) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    UnprivilegedFiles(const UnprivilegedFiles &) = delete;
    UnprivilegedFiles &operator=(const UnprivilegedFiles &) = delete;

    bool active() const { return m_active; }

    // Gives the folder at path to the unprivileged user, who can then make files in it and
    // move any of them aside. Called as root, before the files are made.
    static bool giveFolder(const QString &path)
    {
        const passwd *user = ::getpwnam("nobody");
        return user &&
               ::chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) == 0;
    }
    // Makes the folder at path one where the unprivileged user can make files but move aside
    // none that root put there: a shared folder with the sticky bit, as /tmp is.
    static bool shareFolderKeepingFiles(const QString &path)
    {
        return ::chmod(QFile::encodeName(path).constData(), 01777) == 0;
    }

private:
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    bool m_active = false;
};

#endif // UNPRIVILEGEDFILES_H
