#ifndef MOOBJECTMODELTYPES_P_H
#define MOOBJECTMODELTYPES_P_H

// Registers the model objects of storage, transfers, accounts and the social records, and
// makes QVariantToNSObject turn a core storage object into an MOStorageObject. The facades
// that hand these objects out call it when they are made; safe to call more than once.
void registerObjectModelTypes();

#endif // MOOBJECTMODELTYPES_P_H
