#ifndef TRANSFERTYPES_H
#define TRANSFERTYPES_H

// Registers the transfer values under their names, with the stream operators that stored
// variants need, including those of the attribute values a stored transfer or request holds
// (Tolvo::ObjectAction, QVector<int>). Safe to call more than once.
void registerTransferTypes();

#endif // TRANSFERTYPES_H
