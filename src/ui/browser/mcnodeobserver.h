#ifndef MCNODEOBSERVER_H
#define MCNODEOBSERVER_H

class MCAbstractObjectNode;

// Told about the changes of one node's children, so that an item model can announce them to its
// views. Registered with MCAbstractObjectNode::addObserver(); an observer must remove itself
// before it is destroyed. Rows are indexes into children(). Every call is on the main thread.
class MCNodeObserver
{
public:
    virtual ~MCNodeObserver() = default;

    // The whole children array is about to be replaced, and has been.
    virtual void nodeChildrenAboutToBeReset(MCAbstractObjectNode *node) { (void)node; }
    virtual void nodeChildrenReset(MCAbstractObjectNode *node) { (void)node; }
    // Rows first..last are about to be added at the end, and have been.
    virtual void nodeChildrenAboutToBeInserted(MCAbstractObjectNode *node, int first, int last)
    {
        (void)node, (void)first, (void)last;
    }
    virtual void nodeChildrenInserted(MCAbstractObjectNode *node) { (void)node; }
    // Rows first..last are about to go, and have gone.
    virtual void nodeChildrenAboutToBeRemoved(MCAbstractObjectNode *node, int first, int last)
    {
        (void)node, (void)first, (void)last;
    }
    virtual void nodeChildrenRemoved(MCAbstractObjectNode *node) { (void)node; }
    // The same children are about to be put in a new order, and have been.
    virtual void nodeChildrenAboutToBeReordered(MCAbstractObjectNode *node) { (void)node; }
    virtual void nodeChildrenReordered(MCAbstractObjectNode *node) { (void)node; }
    // A child's shown values (name, states, busy flag, icon, ...) changed.
    virtual void nodeChildChanged(MCAbstractObjectNode *node, int row) { (void)node, (void)row; }
    // The node's own shown values changed (the children count, for one).
    virtual void nodeChanged(MCAbstractObjectNode *node) { (void)node; }
    // The children became valid (a listing arrived) or were marked invalid.
    virtual void nodeChildrenReady(MCAbstractObjectNode *node) { (void)node; }
    virtual void nodeChildrenInvalidated(MCAbstractObjectNode *node) { (void)node; }
};

#endif // MCNODEOBSERVER_H
