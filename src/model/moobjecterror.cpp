#include "moobjecterror.h"

#include "mobjecterror.h"
#include "moconstants.h"
#include "mocorevalues_p.h"

MOObjectError MOCoreValues::objectErrorWithCXXObjectError(const MObjectError &error)
{
    MOObjectError value;
    value.setCode(error.code());
    value.setPath(error.path());
    value.setMessage(error.message());
    return value;
}

MOError errorWithObjectError(const MOObjectError &error, const QString &domain,
                             const std::optional<MOObjectTransfer> &transfer)
{
    QVariantMap userInfo;
    userInfo.insert(MOObjectErrorKey, QVariant::fromValue(error));
    if (transfer)
        userInfo.insert(MOObjectTransferKey, QVariant::fromValue(*transfer));
    return MOError(domain, error.code(), userInfo);
}
