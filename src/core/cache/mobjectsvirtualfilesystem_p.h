#ifndef MOBJECTSVIRTUALFILESYSTEM_P_H
#define MOBJECTSVIRTUALFILESYSTEM_P_H

#include "mfsinode.h"
#include "mobjectsvirtualfilesystem.h"

#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>

class MObjectsVirtualFileSystemPrivate
{
    Q_DECLARE_PUBLIC(MObjectsVirtualFileSystem)
public:
    explicit MObjectsVirtualFileSystemPrivate(MObjectsVirtualFileSystem *q);

    QString objectsPath() const;
    QString localPath(const QString &path) const;
    QString shadowPath(const QString &path) const;

    mutable QMutex mutex;
    MObjectsVirtualFileSystem *q_ptr;
    QString root;
    QMap<QString, MFSINode> index;
    QStringList stagingObjects;
    QStringList excludedPaths;
};

#endif // MOBJECTSVIRTUALFILESYSTEM_P_H
