#include "mcobjectnode.h"

#include <QDir>

MCObjectNode::MCObjectNode(const MOStorageObject &object, QObject *parent)
    : MCAbstractObjectNode(parent)
    , m_object(object)
{
    const QString path = object.fullPath();
    m_filePath = path.isEmpty() ? QStringLiteral("/") : QDir::cleanPath(path);
    m_isDir = object.type() == MOStorageObject::Directory;
    m_childrenCount = object.childrenCount();
}
