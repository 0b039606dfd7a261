#ifndef MOCOREVALUES_P_H
#define MOCOREVALUES_P_H

// The conversions between the core's values and the model's, for the facades and bridges.
// The model's public headers name no core type; this header is where the two meet.

#include "mcollaboration.h"
#include "mconversation.h"
#include "mjoininvitation.h"
#include "mmessage.h"
#include "mobjecterror.h"
#include "mobjecttransfer.h"
#include "mobjecttransfergroup.h"
#include "mobjecttransferrequest.h"
#include "msharelink.h"
#include "mstorageobject.h"
#include "museraccount.h"

#include "mocollaboration.h"
#include "moconversation.h"
#include "mojoininvitation.h"
#include "momessage.h"
#include "moobjecterror.h"
#include "moobjecttransfer.h"
#include "moobjecttransfergroup.h"
#include "moobjecttransferrequest.h"
#include "mosharelink.h"
#include "mostorageobject.h"
#include "mouseraccount.h"

class MOCoreValues
{
public:
    static MOStorageObject storageObjectWithCXXStorageObject(const MStorageObject &value);
    static MStorageObject cxxStorageObject(const MOStorageObject &value);
    static MOObjectTransfer objectTransferWithCXXObjectTransfer(const MObjectTransfer &value);
    static MObjectTransfer cxxTransfer(const MOObjectTransfer &value);
    static MOObjectTransferGroup
    objectTransferGroupWithCXXObjectTransferGroup(const MObjectTransferGroup &value);
    static MObjectTransferGroup cxxTransferGroup(const MOObjectTransferGroup &value);
    static MOObjectTransferRequest
    objectTransferRequestWithCXXObjectTransferRequest(const MObjectTransferRequest &value);
    static MObjectTransferRequest cxxTransferRequest(const MOObjectTransferRequest &value);
    static MOShareLink shareLinkWithCXXShareLink(const MShareLink &value);
    static MShareLink cxxShareLink(const MOShareLink &value);
    static MOUserAccount userAccountWithCXXUserAccount(const MUserAccount &value);
    static MUserAccount cxxUserAccount(const MOUserAccount &value);
    static MOCollaboration collaborationWithCXXCollaboration(const MCollaboration &value);
    static MCollaboration cxxCollaboration(const MOCollaboration &value);
    static MOConversation conversationWithCXXConversation(const MConversation &value);
    static MConversation cxxConversation(const MOConversation &value);
    static MOMessage messageWithCXXMessage(const MMessage &value);
    static MMessage cxxMessage(const MOMessage &value);
    static MOJoinInvitation joinInvitationWithCXXJoinInvitation(const MJoinInvitation &value);
    static MOObjectError objectErrorWithCXXObjectError(const MObjectError &value);
};

#endif // MOCOREVALUES_P_H
