#ifndef MCONFINEDFOLDER_H
#define MCONFINEDFOLDER_H

#include <QString>
#include <QStringList>

// A folder of the program's own (the cache) whose contents are written and removed without
// passing through a symbolic link planted inside it: such a link would take the write or the
// removal wherever it points. Paths are absolute and clean; the root itself may be reached
// through links, as a home folder often is.
class MConfinedFolder
{
public:
    explicit MConfinedFolder(const QString &root);

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

private:
    // The components from the root down to path; false when path is not below the root.
    bool componentsOf(const QString &path, QStringList *components) const;
    // The folder of those components, opened without following a link; -1 when it cannot be.
    int openFolder(const QStringList &components, bool create) const;

    QString m_root;
};

#endif // MCONFINEDFOLDER_H
