#include "faulttable.h"

void FaultTable::add(const Fault &fault)
{
    std::lock_guard<std::mutex> lock(mutex);
    faults.push_back(fault);
}

std::optional<Fault> FaultTable::take(const std::string &method, const std::string &path)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        if (!it->matches(method, path))
            continue;
        const Fault fault = *it;
        if (it->count > 0 && --it->count == 0)
            faults.erase(it);
        return fault;
    }
    return std::nullopt;
}

void FaultTable::clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    faults.clear();
}
