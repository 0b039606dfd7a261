#ifndef MXMLPROPERTYLIST_H
#define MXMLPROPERTYLIST_H

#include <QByteArray>
#include <QVariantMap>

#include <optional>

// The XML property-list form of a dictionary of strings: <plist><dict>, then <key>/<string>
// pairs.
namespace MXmlPropertyList {

// Nothing when a value is not a QString or holds a character XML cannot carry back unchanged.
std::optional<QByteArray> write(const QVariantMap &map);
// Nothing when data is not such a dictionary; every value comes back as a QString.
std::optional<QVariantMap> read(const QByteArray &data);

} // namespace MXmlPropertyList

#endif // MXMLPROPERTYLIST_H
