#ifndef MOSOCIALREQUESTERROR_H
#define MOSOCIALREQUESTERROR_H

#include "moconstants.h"
#include "moerror.h"

#include <QString>

// The model's error for a social request that failed with status (0: no answer) and the
// service's message, if any.
inline MOError socialRequestError(int status, const QString &reason)
{
    QVariantMap info;
    if (!reason.isEmpty())
        info.insert(MOErrorDescriptionKey, reason);
    return MOError(MOSocialRequestErrorDomain, status, info);
}

#endif // MOSOCIALREQUESTERROR_H
