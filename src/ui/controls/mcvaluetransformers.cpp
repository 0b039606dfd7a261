#include "mcvaluetransformers.h"

#include "mcimages.h"

namespace MCValueTransformers {

namespace {

bool isNumber(const QVariant &value)
{
    switch (static_cast<QMetaType::Type>(value.type())) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

} // namespace

QString iconCollaboration(const QVariant &responseStatus)
{
    if (!isNumber(responseStatus))
        return QString();
    switch (responseStatus.toLongLong()) {
    case 1:
    case 2:
        return QStringLiteral("waitingColored.png");
    case 3:
        return QStringLiteral("acceptedColored.png");
    case 4:
        return QStringLiteral("rejected.png");
    case 5:
        return QStringLiteral("revokedColored.png");
    default:
        return QString();
    }
}

QString statusImageName(const QVariant &onlineStatus)
{
    return onlineStatus.toInt() == 0 ? QStringLiteral("gray.png") : QStringLiteral("green.png");
}

QString notifications(const QVariant &count)
{
    return isNumber(count) ? count.toString() : QString();
}

QString states(const QVariant &stateBits)
{
    if (!stateBits.isValid() || stateBits.isNull())
        return QString();
    const qulonglong bits = stateBits.toULongLong();
    if (bits & 1)
        return QStringLiteral("badge_download_icon.png");
    if (bits & 2)
        return QStringLiteral("badge_upload_icon.png");
    if (bits & 8)
        return QStringLiteral("badge_sync_icon.png");
    if (bits & 4)
        return QStringLiteral("badge_cached_icon.png");
    return QString();
}

QPixmap image(const QString &name)
{
    return MCImages::named(name);
}

} // namespace MCValueTransformers
