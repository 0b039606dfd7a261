#ifndef MCOBJECTNODE_H
#define MCOBJECTNODE_H

#include "mcabstractobjectnode.h"
#include "mostorageobject.h"

// A node made from one object of the remote store.
class MCObjectNode : public MCAbstractObjectNode
{
    Q_OBJECT
public:
    explicit MCObjectNode(const MOStorageObject &object, QObject *parent = nullptr);

    MOStorageObject storageObject() const { return m_object; }

private:
    MOStorageObject m_object;
};

#endif // MCOBJECTNODE_H
