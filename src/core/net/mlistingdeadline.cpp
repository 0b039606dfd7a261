#include "mlistingdeadline.h"

#include <QtGlobal>

namespace {

constexpr int DefaultListingDeadline = 120000;

} // namespace

int mListingDeadline()
{
    static const int deadline = [] {
        bool ok = false;
        const int value = qEnvironmentVariableIntValue("LUMARIN_LISTING_DEADLINE_MS", &ok);
        return ok && value > 0 ? value : DefaultListingDeadline;
    }();
    return deadline;
}
