#ifndef MCFAKENODE_H
#define MCFAKENODE_H

#include "mcabstractobjectnode.h"

// A folder the service does not have yet: an "Untitled Folder" being named, or a missing
// parent folder of an upload placeholder. Its children are a plain array: setting them
// neither counts them nor makes them valid.
class MCFakeNode : public MCAbstractObjectNode
{
public:
    static QSharedPointer<MCFakeNode> create(const QString &basePath, const QString &fileName,
                                             bool isDir);

    MCNodePtr copy() const override;
    // Also picks the folder or the generic document icon.
    void setIsDir(bool isDir) override;
    void setChildren(const MCNodeList &children) override;
    void performChildrenInvalidation() override;

protected:
    MCFakeNode() = default;
    MCFakeNode(const MCFakeNode &other) = default;
    void doApplyAttributesFromDictionary(const QVariantMap &attributes) override;
};

#endif // MCFAKENODE_H
