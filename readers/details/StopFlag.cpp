#include "readers/details/StopFlag.h"

std::atomic<BOOL> g_bStopReading{FALSE};
