#ifndef STORAGEOBJECTTYPES_H
#define STORAGEOBJECTTYPES_H

// Registers the storage object, its list and its pair under their names, the object with its
// stream operators so that variants holding it can be stored. Safe to call more than once.
void registerStorageObjectTypes();

#endif // STORAGEOBJECTTYPES_H
