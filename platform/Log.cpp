#include "platform/Log.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

// One lock for both channels: sinks are called under it, and installing a
// sink waits for a call in progress to end. Recursive, so that a sink that
// itself logs does not dead-lock.
std::recursive_mutex& SinkMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

LogSink& CurrentLogSink() {
    static LogSink sink;
    return sink;
}

TraceSink& CurrentTraceSink() {
    static TraceSink sink;
    return sink;
}

bool TraceToStderr() {
    const char* value = std::getenv("ZEMBROLT_TRACE");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Cuts `text` to at most `limit` bytes. When the cut would split a UTF-8
// sequence, the whole character goes, so the line stays valid text.
void CutAtCharacter(std::string& text, std::size_t limit) {
    if (text.size() <= limit) {
        return;
    }
    // A character is at most four bytes: look back at most three.
    std::size_t start = limit;
    while (start > 0 && limit - start < 3 && IsContinuation(text[start])) {
        --start;
    }
    const bool splitsCharacter =
        start != limit && (static_cast<unsigned char>(text[start]) & 0xC0) == 0xC0;
    text.resize(splitsCharacter ? start : limit);
}

// printf-style formatting of at most `limit` bytes of text.
std::string Format(std::size_t limit, const char* format, va_list args) {
    std::string text(256, '\0');
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(text.data(), text.size(), format, copy);
    va_end(copy);
    if (needed < 0) {
        return std::string();
    }
    const std::size_t length = static_cast<std::size_t>(needed);
    if (length >= text.size()) {
        // One byte past the limit shows whether the cut splits a character.
        const std::size_t keep = std::min(length, limit + 1);
        text.assign(keep + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, args);
    }
    text.resize(std::min(length, text.size() - 1));
    CutAtCharacter(text, limit);
    return text;
}

void WriteToStderr(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void SetLogSink(LogSink sink) {
    std::lock_guard lock(SinkMutex());
    CurrentLogSink() = std::move(sink);
}

void SetTraceSink(TraceSink sink) {
    std::lock_guard lock(SinkMutex());
    CurrentTraceSink() = std::move(sink);
}

void LogPrintV(COLORREF colour, const char* format, va_list args) {
    std::string line = Format(kLogMaxLineChars, format, args);
    line += '\n';
    std::lock_guard lock(SinkMutex());
    if (CurrentLogSink()) {
        CurrentLogSink()(colour, line);
    } else if (TraceToStderr()) {
        WriteToStderr(line);
    }
}

void LogPrintf(COLORREF colour, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogPrintV(colour, format, args);
    va_end(args);
}

void DebugTrace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = Format(kTraceMaxChars, format, args);
    va_end(args);
    line += "\r\n";
    std::lock_guard lock(SinkMutex());
    if (CurrentTraceSink()) {
        CurrentTraceSink()(line);
    } else if (TraceToStderr()) {
        WriteToStderr(line);
    }
}

void LogErrorLocation(const char* file, int line) {
    LogPrintf(RGB(255, 0, 0), "Error in file: %s line: %d ", file, line);
}
