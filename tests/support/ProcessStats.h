#pragma once
// What the test process itself holds, read from /proc/self: the peak of its
// resident memory while a piece of work runs, for tests that a reader does
// not make a buffer of the size a hostile file declares.

#include <cstdint>
#include <functional>
#include <optional>

namespace zbtest {

// How far the process's peak resident memory rose above what it held before
// while `action` ran, in bytes; none where the peak cannot be reset
// (/proc/self/clear_refs) or read.
std::optional<std::int64_t> PeakMemoryGrowth(const std::function<void()>& action);

}  // namespace zbtest
