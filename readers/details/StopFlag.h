#pragma once
// The process-wide stop flag that long-running readers poll (the MP3 frame
// scan, the PDF page loop): the search clears it when it starts and Stop sets
// it, from another thread, so it is atomic.

#include <atomic>

#include "platform/WinTypes.h"

extern std::atomic<BOOL> g_bStopReading;

inline void SetStopFlag(BOOL value) {
    g_bStopReading.store(value, std::memory_order_relaxed);
}
inline bool IsStopReadingSet() {
    return g_bStopReading.load(std::memory_order_relaxed) != 0;
}
