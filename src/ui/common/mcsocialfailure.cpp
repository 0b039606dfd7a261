#include "mcsocialfailure.h"

#include "mcstring.h"
#include "moconstants.h"
#include "moerror.h"

namespace {

// MOCollaborationAcceptErrorDomain's codes for an accept the service failed on and refused.
const qint64 FailedAccept = 5;
const qint64 RefusedAccept = 6;

// A message from the service is shown on a row: a sentence, not a page.
const int MaximumReasonLength = 200;

// The service's own message, one plain line, bounded; empty when it gave none.
QString described(const MOError &error)
{
    QString text = MCString::stringForName(error.description().simplified());
    if (text.size() > MaximumReasonLength)
        text = text.left(MaximumReasonLength - 1) + QChar(0x2026);
    return text;
}

} // namespace

QString MCSocialFailure::reason(const MOError &error)
{
    const QString given = described(error);
    if (!given.isEmpty())
        return given;
    const qint64 status = error.code();
    if (status == 0)
        return tr("No answer came from the service.");
    if (status >= 500)
        return tr("The service could not do it just now.");
    return tr("The service refused it (error %1).").arg(status);
}

QString MCSocialFailure::answerNotTaken(const MOError &error)
{
    const bool accept = error.domain() == MOCollaborationAcceptErrorDomain;
    const bool refused =
        accept ? error.code() == RefusedAccept : error.code() >= 400 && error.code() < 500;
    const bool failed = accept ? error.code() == FailedAccept : error.code() >= 500;
    if (failed)
        return tr("The service could not take your answer just now. Try again.");
    if (!refused)
        return tr("Your answer did not reach the service. Try again.");
    const QString given = described(error);
    if (given.isEmpty())
        return tr("The service refused your answer.");
    return tr("The service refused your answer: %1").arg(given);
}
