#ifndef SOCIALRECORDTYPES_H
#define SOCIALRECORDTYPES_H

// Registers the social records that travel in queued signals and variants under their names.
// Safe to call more than once.
void registerSocialRecordTypes();

#endif // SOCIALRECORDTYPES_H
