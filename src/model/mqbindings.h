#ifndef MQBINDINGS_H
#define MQBINDINGS_H

#include <QDateTime>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>

// The conversions at the model layer's boundary. The "NS" side is what the interface hands
// over or receives; the "Q" side is what the core takes or gives. Strings keep null apart from
// empty on both sides; dates are whole seconds since 1970 in 64 bits, in UTC.

// Interface values on their way down into the core.

// A map for the core: each value by NSObjectToQVariant; an invalid value is left out, with a
// warning naming its key.
QVariantMap NSDictionaryToQVariantMap(const QVariantMap &dictionary);
// Strings, string lists, URLs, byte arrays and maps cross as they are (maps recursively, a list
// as a string list), dates in whole seconds; anything else (numbers, objects) goes into a
// MOStrongNSObjectContainer and so comes back as the identical value.
QVariant NSObjectToQVariant(const QVariant &object);
// Each element as a string, in order.
QStringList NSArrayToQStringList(const QVariantList &array);

// Core values on their way up to the interface. Invalid stands for "nothing".

// Numbers and booleans as they are; maps, hashes and lists recursively with the entries that
// convert to nothing left out; a null string is nothing; a string list loses its null strings;
// URLs by QUrlToNSURL; dates in whole seconds; a container gives its payload; a core value
// with a model class becomes that model object. An untyped pointer is refused with a warning;
// other core types give nothing.
QVariant QVariantToNSObject(const QVariant &variant);
// Each value by QVariantToNSObject; one that converts to nothing is left out, with a warning.
QVariantMap QVariantMapToNSDictionary(const QVariantMap &map);
// Invalid (an empty URL included): nothing. A local file: a file URL of its fully decoded path.
QUrl QUrlToNSURL(const QUrl &url);

// A URL from the interface for the core: parsed again tolerantly; nothing gives an empty URL.
QUrl NSURLToQUrl(const QUrl &url);
// A date either way: null or invalid stays null; otherwise UTC, truncated toward zero to whole
// seconds, in 64 bits (dates before 1970 and after 2106 included).
QDateTime NSDateToQDateTime(const QDateTime &date);
QDateTime QDateTimeToNSDate(const QDateTime &date);

#endif // MQBINDINGS_H
