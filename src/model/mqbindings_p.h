#ifndef MQBINDINGS_P_H
#define MQBINDINGS_P_H

#include <QVariant>

// A core value type with a model class (MStorageObject and MOStorageObject, ...): the facade
// that introduces the model class registers how QVariantToNSObject turns one into the other.
using MOCoreValueConverter = QVariant (*)(const QVariant &coreValue);
void registerCoreValueConverter(int coreMetaType, MOCoreValueConverter converter);

#endif // MQBINDINGS_P_H
