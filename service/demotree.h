#ifndef DEMOTREE_H
#define DEMOTREE_H

#include "objectstore.h"

#include <vector>

// A small store to show the client with: folders, pictures in several formats (drawn at run
// time, large enough that thumbnails matter), a text file and a document of a few MiB.
class DemoTree
{
public:
    // The tree's objects, parents first. WebP only where Qt can write it.
    static std::vector<ObjectStore::Planted> objects();

    // Plants the tree for the user when the root is empty, so that a restart or a second
    // call adds nothing; added counts the objects made.
    static StoreError seed(ObjectStore &store, qint64 userId, int *added);
};

#endif // DEMOTREE_H
