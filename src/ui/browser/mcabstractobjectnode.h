#ifndef MCABSTRACTOBJECTNODE_H
#define MCABSTRACTOBJECTNODE_H

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

// A place of the remote store as the browser views show it: a folder or a file with its
// children once they are listed. The shell reads its path, name, kind and children.
class MCAbstractObjectNode : public QObject
{
    Q_OBJECT
public:
    explicit MCAbstractObjectNode(QObject *parent = nullptr);

    QString filePath() const { return m_filePath; }
    // The last component of the path; "/" for the root.
    QString fileName() const;
    virtual QIcon fileIcon() const;
    bool isDir() const { return m_isDir; }
    bool isRoot() const { return m_filePath == QLatin1String("/"); }
    quint64 childrenCount() const { return m_childrenCount; }
    bool isBusy() const { return false; }
    bool isPlaceholder() const { return false; }

    // True until the children have been listed.
    bool childrenDirty() const { return m_childrenDirty; }
    QList<MCAbstractObjectNode *> children() const;
    // Takes ownership of the children.
    void setChildren(const QList<MCAbstractObjectNode *> &children);
    MCAbstractObjectNode *parentNode() const { return m_parentNode; }
    void setParentNode(MCAbstractObjectNode *parent) { m_parentNode = parent; }
    bool hideHiddenFiles() const { return m_hideHiddenFiles; }
    void setHideHiddenFiles(bool hide) { m_hideHiddenFiles = hide; }

    // Clears childrenDirty and tells the views.
    void notifyChildrenReady();

    bool isEqual(const MCAbstractObjectNode *other) const;

signals:
    void childrenReady(MCAbstractObjectNode *node);

protected:
    QString m_filePath;
    bool m_isDir = false;
    quint64 m_childrenCount = 0;

private:
    QList<QPointer<MCAbstractObjectNode>> m_children;
    QPointer<MCAbstractObjectNode> m_parentNode;
    bool m_childrenDirty = true;
    bool m_hideHiddenFiles = true;
};

#endif // MCABSTRACTOBJECTNODE_H
