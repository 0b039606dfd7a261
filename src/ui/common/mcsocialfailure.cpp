#include "mcsocialfailure.h"

#include "mcstring.h"
#include "moerror.h"

namespace {

// A message from the service is shown on a row: a sentence, not a page.
const int MaximumReasonLength = 200;

} // namespace

QString MCSocialFailure::reason(const MOError &error)
{
    QString described = MCString::stringForName(error.description().simplified());
    if (!described.isEmpty()) {
        if (described.size() > MaximumReasonLength)
            described = described.left(MaximumReasonLength - 1) + QChar(0x2026);
        return described;
    }
    const qint64 status = error.code();
    if (status == 0)
        return tr("No answer came from the service.");
    if (status >= 500)
        return tr("The service could not do it just now.");
    return tr("The service refused it (error %1).").arg(status);
}
