#include "mqbindings.h"
#include "mqbindings_p.h"

#include "mologging_p.h"
#include "mostrongnsobjectcontainer.h"

#include <QHash>
#include <QMutex>
#include <QVariantHash>
#include <QVariantList>

#include <algorithm>

namespace {

QMutex converterMutex;

QHash<int, MOCoreValueConverter> &converters()
{
    static QHash<int, MOCoreValueConverter> table;
    return table;
}

MOCoreValueConverter converterFor(int type)
{
    QMutexLocker locker(&converterMutex);
    return converters().value(type);
}

QDateTime wholeSeconds(const QDateTime &date)
{
    if (!date.isValid())
        return QDateTime();
    // Integer division truncates toward zero, before 1970 too.
    return QDateTime::fromSecsSinceEpoch(date.toMSecsSinceEpoch() / 1000, Qt::UTC);
}

QVariantList listToNSArray(const QVariantList &list)
{
    QVariantList array;
    array.reserve(list.size());
    for (const QVariant &element : list) {
        QVariant converted = QVariantToNSObject(element);
        if (converted.isValid())
            array.append(std::move(converted));
    }
    return array;
}

} // namespace

void registerCoreValueConverter(int coreMetaType, MOCoreValueConverter converter)
{
    QMutexLocker locker(&converterMutex);
    converters().insert(coreMetaType, converter);
}

QVariantMap NSDictionaryToQVariantMap(const QVariantMap &dictionary)
{
    QVariantMap map;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        if (!it.value().isValid()) {
            qCWarning(lcModel, "variantMapWithDictionary: Unable to find object for key %s",
                      it.key().toUtf8().constData());
            continue;
        }
        map.insert(it.key(), NSObjectToQVariant(it.value()));
    }
    return map;
}

QVariant NSObjectToQVariant(const QVariant &object)
{
    switch (object.userType()) {
    case QMetaType::UnknownType:
        return QVariant();
    case QMetaType::QString:
    case QMetaType::QStringList:
    case QMetaType::QByteArray:
        return object;
    case QMetaType::QVariantList:
        return NSArrayToQStringList(object.toList());
    case QMetaType::QUrl:
        return NSURLToQUrl(object.toUrl());
    case QMetaType::QDateTime:
        return NSDateToQDateTime(object.toDateTime());
    case QMetaType::QVariantMap:
        return NSDictionaryToQVariantMap(object.toMap());
    default:
        return MOStrongNSObjectContainer::wrap(object);
    }
}

QStringList NSArrayToQStringList(const QVariantList &array)
{
    QStringList strings;
    strings.reserve(array.size());
    for (const QVariant &element : array)
        strings.append(element.toString());
    return strings;
}

QVariant QVariantToNSObject(const QVariant &variant)
{
    const int type = variant.userType();
    switch (type) {
    case QMetaType::UnknownType:
        return QVariant();
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return variant;
    case QMetaType::QVariantMap:
        return QVariantMapToNSDictionary(variant.toMap());
    case QMetaType::QVariantHash: {
        const QVariantHash hash = variant.toHash();
        QVariantMap map;
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map.insert(it.key(), it.value());
        return QVariantMapToNSDictionary(map);
    }
    case QMetaType::QVariantList:
        return listToNSArray(variant.toList());
    case QMetaType::QString: {
        const QString string = variant.toString();
        return string.isNull() ? QVariant() : QVariant(string);
    }
    case QMetaType::QStringList: {
        QStringList strings = variant.toStringList();
        strings.erase(std::remove_if(strings.begin(), strings.end(),
                                     [](const QString &string) { return string.isNull(); }),
                      strings.end());
        return strings;
    }
    case QMetaType::QUrl: {
        const QUrl url = QUrlToNSURL(variant.toUrl());
        return url.isEmpty() ? QVariant() : QVariant(url);
    }
    case QMetaType::QDateTime: {
        const QDateTime date = QDateTimeToNSDate(variant.toDateTime());
        return date.isNull() ? QVariant() : QVariant(date);
    }
    case QMetaType::VoidStar:
        // An untyped pointer says nothing of what it points to or how long it lives.
        qCWarning(lcModel, "[WARNING] Unsupported Variant type: %d", type);
        return QVariant();
    default:
        break;
    }
    if (type < QMetaType::User) {
        // Byte arrays, characters, dates without a time and the like need no conversion.
        return variant;
    }
    if (type == qMetaTypeId<MOStrongNSObjectContainer>())
        return MOStrongNSObjectContainer::unwrap(variant);
    if (MOCoreValueConverter converter = converterFor(type))
        return converter(variant);
    return QVariant();
}

QVariantMap QVariantMapToNSDictionary(const QVariantMap &map)
{
    QVariantMap dictionary;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        QVariant converted = QVariantToNSObject(it.value());
        if (!converted.isValid()) {
            qCWarning(lcModel, "[WARNING] Unable to decode Variant: skipping.");
            continue;
        }
        dictionary.insert(it.key(), std::move(converted));
    }
    return dictionary;
}

QUrl QUrlToNSURL(const QUrl &url)
{
    if (!url.isValid() || url.isEmpty())
        return QUrl();
    if (url.isLocalFile())
        return QUrl::fromLocalFile(url.toLocalFile());
    return QUrl(url.toString());
}

QUrl NSURLToQUrl(const QUrl &url)
{
    if (url.isEmpty())
        return QUrl();
    return QUrl(url.toString(QUrl::FullyEncoded), QUrl::TolerantMode);
}

QDateTime NSDateToQDateTime(const QDateTime &date)
{
    return wholeSeconds(date);
}

QDateTime QDateTimeToNSDate(const QDateTime &date)
{
    return wholeSeconds(date);
}
