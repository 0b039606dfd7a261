#ifndef MCOBJECTNODE_H
#define MCOBJECTNODE_H

#include "mcabstractobjectnode.h"
#include "mostorageobject.h"

#include <QList>

// A node of the remote store, made from one storage object of a listing or a live update. It
// may be made on another thread (a large listing); its icon is made when first shown.
class MCObjectNode : public MCAbstractObjectNode
{
public:
    static QSharedPointer<MCObjectNode> create(const MOStorageObject &object);

    MCNodePtr copy() const override;
    MOStorageObject storageObject() const { return m_object; }
    bool isRoot() const override { return m_root; }
    // infoType 0: the modification date; 1: a folder's item count or a file's size; 2: the
    // kind; 3: "not yet implemented"; anything else (or absent): nothing.
    QString additionalFileInfo(const QVariant &infoType = QVariant()) const override;
    // Replaces the children, counts them and makes them valid.
    void setChildren(const MCNodeList &children) override;
    // Marks this node and every child dirty and tells the observers.
    void performChildrenInvalidation() override;

    // Whether a label from the service is safe to use as a name in a path: not empty, not "."
    // or "..", no "/" and no NUL. Anything else would make the node's path name another object
    // (a delete or rename of it would act on an ancestor).
    static bool isSafeLabel(const QString &label);

protected:
    explicit MCObjectNode(const MOStorageObject &object);
    MCObjectNode(const MCObjectNode &other) = default;
    void doApplyAttributesFromDictionary(const QVariantMap &attributes) override;
    QIcon typeIcon() const override;

private:
    // A file's kind and icon, from its name's extension or else its MIME type.
    void showTypeOf(const QString &name, const QString &mimeType);

    MOStorageObject m_object;
    bool m_root = false;
};

// One new node per storage object, in order, each with parent set when given; objects with an
// unsafe label (see MCObjectNode::isSafeLabel) and nodes equal to one already taken are left
// out.
MCNodeList MCNodesFromStorageObjects(const QList<MOStorageObject> &objects,
                                     const MCNodePtr &parent = MCNodePtr());

#endif // MCOBJECTNODE_H
