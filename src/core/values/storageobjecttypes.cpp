#include "storageobjecttypes.h"

#include "mstorageobject.h"

void registerStorageObjectTypes()
{
    qRegisterMetaType<MStorageObject>("MStorageObject");
    qRegisterMetaTypeStreamOperators<MStorageObject>("MStorageObject");
    qRegisterMetaType<MStorageObjectList>("MStorageObjectList");
    qRegisterMetaType<MStorageObjectPair>("MStorageObjectPair");
    // Changes are reported as lists of (before, after) pairs.
    qRegisterMetaType<QList<MStorageObjectPair>>();
    // The name objectsModified() is declared with, for queued connections and spies.
    qRegisterMetaType<QList<MStorageObjectPair>>("QList<MStorageObjectPair>");
}
