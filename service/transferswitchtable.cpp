#include "transferswitchtable.h"

void TransferSwitchTable::add(const TransferSwitch &transferSwitch)
{
    std::lock_guard<std::mutex> lock(mutex);
    switches.push_back(transferSwitch);
}

std::optional<TransferSwitch> TransferSwitchTable::take(TransferSwitch::Kind kind,
                                                        const QString &path)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = switches.begin(); it != switches.end(); ++it) {
        if (!it->matches(kind, path))
            continue;
        const TransferSwitch found = *it;
        if (it->count > 0 && --it->count == 0)
            switches.erase(it);
        return found;
    }
    return std::nullopt;
}

void TransferSwitchTable::clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    switches.clear();
}
