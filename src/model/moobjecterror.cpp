#include "moobjecterror.h"

#include "mobjecterror.h"
#include "moconstants.h"

MOObjectError::MOObjectError(const MObjectError &error)
    : m_code(error.code())
    , m_path(error.path())
    , m_message(error.message())
{}

MOObjectError MOObjectError::objectErrorWithCXXObjectError(const MObjectError &error)
{
    return MOObjectError(error);
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
