#ifndef MCONFINEDFOLDER_H
#define MCONFINEDFOLDER_H

#include <QString>
#include <QStringList>

class MHeldFile;

// A folder of the program's own (the cache, the temporary folder) whose contents are written
// and removed without passing through a symbolic link planted inside it: such a link would take
// the write or the removal wherever it points. Paths are absolute and clean; the root itself
// may be reached through links, as a home folder often is.
class MConfinedFolder
{
public:
    // What becomes of a link (or a file) standing where a folder is to be made: refused, or,
    // in a folder that holds nothing but the program's scratch files, removed (the link
    // itself, never what it points to) and replaced by the folder.
    enum Intruders { RefuseIntruders, RemoveIntruders };

    explicit MConfinedFolder(const QString &root, Intruders intruders = RefuseIntruders);

    QString root() const { return m_root; }

    // Whether path is the root or lies below it.
    bool contains(const QString &path) const;
    // Whether a folder between the root and path (path's own last component not included) is
    // a symbolic link. A folder that does not exist yet is no link.
    bool reachesThroughLink(const QString &path) const;
    // Makes the folders of folder below the root, each opened without following a link;
    // false when a link (or anything but a folder) is in the way.
    bool makeFolders(const QString &folder) const;
    // Moves the file from onto path below the root in one step, by the folder of path opened
    // without following links and made when missing; a link at path itself is replaced, not
    // followed. Across file systems the file is copied into that folder first.
    bool moveInto(const QString &from, const QString &path) const;
    // The same for a held file, moved from the folder it is held in once its entry there is
    // found to be the held file with no other name; a file that took its place at path in the
    // meantime is removed again. Across file systems the held file's bytes are copied.
    bool moveInto(const MHeldFile &file, const QString &path) const;
    // Opens the file at path with the open(2) flags given, its folders made when missing and no
    // link followed on the way, the file's own name included, and holds it with its folder.
    // Nothing is held (errno set) when it cannot be opened, is not a regular file or has
    // another name too: a hard link to a file elsewhere is refused as a symbolic link is.
    MHeldFile holdFile(const QString &path, int flags) const;
    // The size of the regular file at path; -1 when there is none (a link is not followed) or
    // when the file has another name too.
    qint64 fileSize(const QString &path) const;
    // Removes whatever file or link is at path (a link itself, not what it points to); true
    // when nothing is left there.
    bool remove(const QString &path) const;
    // Renames the regular file at from, which has no other name, onto to, both below the root;
    // with replace false, an existing to is left alone and the rename fails.
    bool rename(const QString &from, const QString &to, bool replace) const;

private:
    // The components from the root down to path; false when path is not below the root.
    bool componentsOf(const QString &path, QStringList *components) const;
    // The folder of those components, opened without following a link; -1 when it cannot be.
    int openFolder(const QStringList &components, bool create) const;

    // The folder holding path and path's own name in it; -1 when the folder cannot be opened.
    int openParent(const QString &path, bool create, QByteArray *name) const;

    QString m_root;
    Intruders m_intruders;
};

#endif // MCONFINEDFOLDER_H
