#include "support/ProcessStats.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace zbtest {

namespace {

// A "VmRSS:" or "VmHWM:" line of /proc/self/status, in bytes; -1 when missing.
std::int64_t StatusBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, field.size(), field) == 0)
            return std::atoll(line.c_str() + field.size()) * 1024;
    }
    return -1;
}

}  // namespace

std::optional<std::int64_t> PeakMemoryGrowth(const std::function<void()>& action) {
    const std::int64_t before = StatusBytes("VmRSS:");
    {
        // "5" sets the peak to what is resident now.
        std::ofstream reset("/proc/self/clear_refs");
        if (!(reset << "5" << std::flush) || before < 0)
            return std::nullopt;
    }
    action();
    const std::int64_t peak = StatusBytes("VmHWM:");
    if (peak < 0)
        return std::nullopt;
    return peak - before;
}

}  // namespace zbtest
