#include "transfertypes.h"

#include "mobjecttransfer.h"
#include "mobjecttransfergroup.h"
#include "mobjecttransferrequest.h"
#include "tolvo.h"

void registerTransferTypes()
{
    qRegisterMetaType<MObjectTransferRequest>("MObjectTransferRequest");
    qRegisterMetaTypeStreamOperators<MObjectTransferRequest>("MObjectTransferRequest");
    qRegisterMetaTypeStreamOperators<Tolvo::ObjectAction>("Tolvo::ObjectAction");
    qRegisterMetaTypeStreamOperators<QVector<int>>("QVector<int>");
    qRegisterMetaType<MObjectTransfer>("MObjectTransfer");
    qRegisterMetaTypeStreamOperators<MObjectTransfer>("MObjectTransfer");
    qRegisterMetaType<MObjectTransferGroup>("MObjectTransferGroup");
    qRegisterMetaType<MObjectTransfer::State>("MObjectTransferState::State");
    qRegisterMetaType<MObjectTransfer::State>("MObjectTransfer::State");
    qRegisterMetaTypeStreamOperators<MObjectTransfer::State>("MObjectTransfer::State");
}
