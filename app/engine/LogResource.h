#pragma once
// Writing a string-table text to the log window.

#include "platform/Log.h"
#include "platform/WinTypes.h"

// LogPrintf with the text of string `id` as the format.
void LogPrintResource(COLORREF colour, UINT id, ...);
