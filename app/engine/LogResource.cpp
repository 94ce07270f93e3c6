#include "app/engine/LogResource.h"

#include <cstdarg>

#include "platform/StringTable.h"

void LogPrintResource(COLORREF colour, UINT id, ...) {
    va_list args;
    va_start(args, id);
    LogPrintV(colour, LoadResourceString(id), args);
    va_end(args);
}
