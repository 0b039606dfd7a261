#include "mcnavigationrequest.h"

#include <QVariantMap>

namespace {
const QString RequestedActionTypeKey = QStringLiteral("MCRequestedActionTypeKey");
}

QVariant MCNavigationRequest::userData()
{
    return QVariantMap{{RequestedActionTypeKey, 1}};
}

bool MCNavigationRequest::isNavigation(const QVariant &userData)
{
    if (userData.userType() != QMetaType::QVariantMap)
        return false;
    const QVariant marker = userData.toMap().value(RequestedActionTypeKey);
    bool ok = false;
    return marker.toULongLong(&ok) == 1 && ok;
}
