#ifndef FAULTTABLE_H
#define FAULTTABLE_H

#include "fault.h"

#include <mutex>
#include <optional>
#include <vector>

// The injected faults, in the order they were added. Shared by all worker threads.
class FaultTable
{
public:
    void add(const Fault &fault);
    // The first fault that matches, with one use taken; a fault is gone once used up.
    std::optional<Fault> take(const std::string &method, const std::string &path);
    void clear();

private:
    std::mutex mutex;
    std::vector<Fault> faults;
};

#endif // FAULTTABLE_H
