#include "mcabstractobjectnode.h"

#include <QApplication>
#include <QStyle>

MCAbstractObjectNode::MCAbstractObjectNode(QObject *parent)
    : QObject(parent)
{}

QString MCAbstractObjectNode::fileName() const
{
    if (isRoot())
        return QStringLiteral("/");
    return m_filePath.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
}

QIcon MCAbstractObjectNode::fileIcon() const
{
    // Looked up once: a large folder asks for them per row.
    static const QIcon folder = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    static const QIcon file = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    return m_isDir ? folder : file;
}

QList<MCAbstractObjectNode *> MCAbstractObjectNode::children() const
{
    QList<MCAbstractObjectNode *> result;
    result.reserve(m_children.size());
    for (const auto &child : m_children) {
        if (child && (!m_hideHiddenFiles || !child->fileName().startsWith(QLatin1Char('.'))))
            result.append(child);
    }
    return result;
}

void MCAbstractObjectNode::setChildren(const QList<MCAbstractObjectNode *> &children)
{
    for (const auto &old : qAsConst(m_children)) {
        if (old && old->parent() == this && !children.contains(old))
            old->deleteLater();
    }
    m_children.clear();
    for (MCAbstractObjectNode *child : children) {
        child->setParent(this);
        child->setParentNode(this);
        m_children.append(child);
    }
    m_childrenCount = quint64(m_children.size());
}

void MCAbstractObjectNode::notifyChildrenReady()
{
    m_childrenDirty = false;
    emit childrenReady(this);
}

bool MCAbstractObjectNode::isEqual(const MCAbstractObjectNode *other) const
{
    return other && other->m_filePath == m_filePath && other->m_isDir == m_isDir;
}
