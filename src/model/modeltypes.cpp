#include "modeltypes.h"

#include "mnotification.h"
#include "mobjecterror.h"
#include "moerror.h"
#include "mopostednotification.h"
#include "mostrongnsobjectcontainer.h"
#include "mpreviewmanager.h"
#include "msharelink.h"
#include "socialrecordtypes.h"
#include "storageobjecttypes.h"
#include "tolvo.h"
#include "tolvoapp.h"
#include "transfertypes.h"

#include <QMetaType>

void registerModelTypes()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;

    qRegisterMetaType<MOStrongNSObjectContainer>("MOStrongNSObjectContainer");
    // Lets QVariant compare user data by its payload.
    QMetaType::registerEqualsComparator<MOStrongNSObjectContainer>();
    qRegisterMetaType<MOPostedNotification>("MOPostedNotification");
    qRegisterMetaType<MOError>("MOError");

    // The core's own, as the core registers them at init(); the facades may be made before.
    registerStorageObjectTypes();
    registerTransferTypes();
    registerSocialRecordTypes();
    qRegisterMetaType<TolvoApp::ConnectivityStatus>("TolvoApp::ConnectivityStatus");
    qRegisterMetaType<Tolvo::ObjectAction>("Tolvo::ObjectAction");
    qRegisterMetaType<Tolvo::Error>("Tolvo::Error");
    qRegisterMetaType<MObjectError>("MObjectError");
    qRegisterMetaType<MObjectErrorList>("MObjectErrorList");
    qRegisterMetaType<MNotification>("MNotification");
    qRegisterMetaType<MPreviewManager::PreviewSize>("MPreviewManager::PreviewSize");
    qRegisterMetaType<MShareLink>("MShareLink");
    qRegisterMetaType<QList<MShareLink>>("QList<MShareLink>");
}
