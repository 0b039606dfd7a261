#include "socialrecordtypes.h"

#include "mcollaboration.h"
#include "mconversation.h"
#include "mjoininvitation.h"
#include "mmessage.h"
#include "msharelink.h"
#include "museraccount.h"

void registerSocialRecordTypes()
{
    qRegisterMetaType<MUserAccount>("MUserAccount");
    qRegisterMetaType<QList<MUserAccount>>();
    qRegisterMetaType<MConversation>("MConversation");
    qRegisterMetaType<MConversationList>("MConversationList");
    qRegisterMetaType<MMessage>("MMessage");
    qRegisterMetaType<QList<MMessage>>();
    qRegisterMetaType<MShareLink>("MShareLink");
    qRegisterMetaType<MJoinInvitation>("MJoinInvitation");
    qRegisterMetaType<MCollaboration>("MCollaboration");
    qRegisterMetaType<QList<MCollaboration>>();
    qRegisterMetaType<MCollaboration::Error>();
}
