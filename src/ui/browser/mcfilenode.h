#ifndef MCFILENODE_H
#define MCFILENODE_H

#include "mcabstractobjectnode.h"

// A node of a local file or folder; the placeholder that shows a file being uploaded under
// its destination name.
class MCFileNode : public MCAbstractObjectNode
{
public:
    static QSharedPointer<MCFileNode> create(const QString &localPath);

    MCNodePtr copy() const override;
    QString localPath() const { return m_localPath; }
    // "Zero byte" for an empty file, else its size in decimal units.
    QString additionalFileInfo(const QVariant &infoType = QVariant()) const override;
    void setChildren(const MCNodeList &children) override;
    // Enumerates the folder's direct entries (once, while the children are dirty), keeping
    // existing children of the same path, then tells the observers.
    void performChildrenFetching();
    void performChildrenInvalidation() override;

protected:
    explicit MCFileNode(const QString &localPath);
    MCFileNode(const MCFileNode &other) = default;
    void doApplyAttributesFromDictionary(const QVariantMap &attributes) override;

private:
    QString m_localPath;
};

#endif // MCFILENODE_H
