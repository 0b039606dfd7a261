#include "moobjectmodeltypes_p.h"

#include "moconversation.h"
#include "mocorevalues_p.h"
#include "modeltypes.h"
#include "mojoininvitation.h"
#include "momessage.h"
#include "moobjecterror.h"
#include "moobjecttransfer.h"
#include "moobjecttransfergroup.h"
#include "moobjecttransferrequest.h"
#include "mosharelink.h"
#include "mostorageobject.h"
#include "mouseraccount.h"
#include "mqbindings_p.h"
#include "mstorageobject.h"

#include <QMetaType>

namespace {

QVariant storageObjectToModel(const QVariant &coreValue)
{
    return QVariant::fromValue(
        MOCoreValues::storageObjectWithCXXStorageObject(coreValue.value<MStorageObject>()));
}

} // namespace

void registerObjectModelTypes()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;

    registerModelTypes();
    qRegisterMetaType<MOStorageObject>("MOStorageObject");
    qRegisterMetaType<QList<MOStorageObject>>("QList<MOStorageObject>");
    qRegisterMetaType<MOObjectError>("MOObjectError");
    qRegisterMetaType<MOObjectTransferRequest>("MOObjectTransferRequest");
    qRegisterMetaType<MOObjectTransfer>("MOObjectTransfer");
    qRegisterMetaType<MOObjectTransferGroup>("MOObjectTransferGroup");
    qRegisterMetaType<MOUserAccount>("MOUserAccount");
    qRegisterMetaType<MOConversation>("MOConversation");
    qRegisterMetaType<MOMessage>("MOMessage");
    qRegisterMetaType<MOJoinInvitation>("MOJoinInvitation");
    qRegisterMetaType<MOShareLink>("MOShareLink");
    qRegisterMetaType<QList<MOShareLink>>("QList<MOShareLink>");
    registerCoreValueConverter(qMetaTypeId<MStorageObject>(), &storageObjectToModel);
}
