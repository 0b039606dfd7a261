#include "mocorenotification.h"

#include "mnotification.h"
#include "mobjecttransfer.h"
#include "mobjecttransferrequest.h"
#include "moconstants.h"
#include "mocorevalues_p.h"
#include "mostrongnsobjectcontainer.h"
#include "mstorageobject.h"

MOCoreNotification::MOCoreNotification(const MOPostedNotification &notification)
    : m_inner(notification.userInfo.value(MOInnerNotificationObjectKey))
{
    if (!m_inner.canConvert<MNotification>())
        m_inner = QVariant();
}

QVariant MOCoreNotification::attribute(int attribute) const
{
    if (!m_inner.isValid())
        return QVariant();
    return m_inner.value<MNotification>().attribute(MNotification::Attribute(attribute));
}

QString MOCoreNotification::message() const
{
    return m_inner.isValid() ? m_inner.value<MNotification>().message() : QString();
}

QString MOCoreNotification::details() const
{
    return attribute(MNotification::Details).toString();
}

quint64 MOCoreNotification::type() const
{
    return m_inner.isValid() ? quint64(m_inner.value<MNotification>().type()) : 0;
}

std::optional<MOStorageObject> MOCoreNotification::storageObject() const
{
    const MStorageObject object = attribute(MNotification::StorageObject).value<MStorageObject>();
    if (!object.isValid())
        return std::nullopt;
    return MOCoreValues::storageObjectWithCXXStorageObject(object);
}

QString MOCoreNotification::path() const
{
    const QVariant path = attribute(MNotification::Path);
    return path.isValid() ? path.toString() : QString();
}

QString MOCoreNotification::additionalPath() const
{
    const QVariant path = attribute(MNotification::AdditionalPath);
    return path.isValid() ? path.toString() : QString();
}

MOObjectTransferRequest MOCoreNotification::transferRequest() const
{
    MObjectTransferRequest request =
        attribute(MNotification::TransferRequest).value<MObjectTransferRequest>();
    if (request.isNull())
        request = attribute(MNotification::Transfer).value<MObjectTransfer>().transferRequest();
    return MOCoreValues::objectTransferRequestWithCXXObjectTransferRequest(request);
}

qint64 MOCoreNotification::action() const
{
    return attribute(MNotification::Action).toInt();
}

quint64 MOCoreNotification::errorCode() const
{
    return quint64(uint(attribute(MNotification::ErrorCode).toInt()));
}

QVariant MOCoreNotification::userDataAttribute() const
{
    return MOStrongNSObjectContainer::unwrap(attribute(MNotification::UserData));
}
