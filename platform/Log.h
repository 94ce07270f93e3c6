#pragma once
// The program's log and its trace channel.
//
// Log: any part appends coloured lines; the log window installs a sink that
// receives each line whole. Traces: short diagnostic lines for developers.
// Both are callable from any thread; sink calls are serialised by one lock,
// so lines never interleave, and after SetLogSink/SetTraceSink returns the
// previous sink is no longer being called. A sink must not wait for another
// thread that may itself be logging (the window queues the line to its own
// thread instead).
//
// Without a sink, lines go to stderr when the environment variable
// ZEMBROLT_TRACE is "1", and nowhere otherwise.

#include <cstdarg>
#include <functional>
#include <string>

#include "platform/WinTypes.h"

using COLORREF = DWORD;

// Red in the low byte, then green, then blue.
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | static_cast<COLORREF>(g) << 8 |
           static_cast<COLORREF>(b) << 16;
}

// Longest text of one log line; longer text is cut (at a character boundary).
constexpr std::size_t kLogMaxLineChars = 99999;
// Longest text of one trace line.
constexpr std::size_t kTraceMaxChars = 255;

// Receives one whole log line: the formatted text followed by "\n".
using LogSink = std::function<void(COLORREF colour, const std::string& line)>;
// Receives one whole trace line: the formatted text followed by "\r\n".
using TraceSink = std::function<void(const std::string& line)>;

// Installs the sink for log lines; an empty function removes it.
void SetLogSink(LogSink sink);
// Installs the sink for trace lines; an empty function removes it.
void SetTraceSink(TraceSink sink);

// Appends one line in `colour` (printf-style format).
void LogPrintf(COLORREF colour, const char* format, ...) __attribute__((format(printf, 2, 3)));
void LogPrintV(COLORREF colour, const char* format, va_list args)
    __attribute__((format(printf, 2, 0)));

// Writes one trace line (printf-style format).
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The long routines' catch-all message: "Error in file: <file> line: <line> "
// in red.
void LogErrorLocation(const char* file, int line);
// The same for the place of the call: `catch (...) { LogErrorHere(); }`.
// (The builtins stand in for std::source_location, which clang 14 lacks.)
inline void LogErrorHere(const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    LogErrorLocation(file, line);
}
