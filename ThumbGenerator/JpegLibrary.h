#pragma once
// libjpeg under the thumbnail library: a decompressor whose errors jump back
// into small wrapper functions (so no jump ever crosses a C++ frame that has
// something to destroy), warnings that go to the decoders' trace instead of
// stderr, a progress hook that reports, bounds the scans and the time, and
// the CMYK-to-RGB step for four-component pictures.

#include <chrono>
#include <csetjmp>
#include <cstddef>
#include <cstdio>

// Our TRUE and FALSE first: jpeglib.h defines them as macros only where
// they are not defined yet. It also needs size_t and FILE declared first.
#include "platform/WinTypes.h"

#include <jpeglib.h>

class CProgressNotifier;

class CJpegDecompressor {
public:
    // Longest list of scans read (a progressive picture may have many).
    static constexpr int kMaxScans = 500;

    // Decoding fails after `deadline`; `notifier` (may be null) gets the progress.
    CJpegDecompressor(std::chrono::steady_clock::time_point deadline, CProgressNotifier* notifier);
    ~CJpegDecompressor();
    CJpegDecompressor(const CJpegDecompressor&) = delete;
    CJpegDecompressor& operator=(const CJpegDecompressor&) = delete;

    jpeg_decompress_struct& Info() { return m_info; }
    // libjpeg's message of the last failure.
    const char* Message() const { return m_error.message; }

    // Each is one libjpeg step; false after a libjpeg error (and when the
    // decompressor could not be made).
    bool SetMemorySource(const BYTE* data, std::size_t size);
    bool SetFileSource(FILE* file);
    bool ReadHeader();
    bool Start();
    // Reads rows until `rows` holds `count` of them.
    bool ReadRows(JSAMPROW* rows, JDIMENSION count);
    bool Finish();

    // Turns a row of `width` four-component pixels into blue, green, red, 255.
    void CmykToBgrx(const BYTE* cmyk, BYTE* bgrx, std::size_t width) const;

private:
    struct ErrorManager {
        jpeg_error_mgr manager;
        std::jmp_buf jump;
        bool armed;  // whether `jump` belongs to a step that is running
        char message[JMSG_LENGTH_MAX];
    };
    struct ProgressManager {
        jpeg_progress_mgr manager;
        std::chrono::steady_clock::time_point deadline;
        CProgressNotifier* notifier;
    };
    static void ErrorExit(j_common_ptr info);
    static void OutputMessage(j_common_ptr info);
    static void Progress(j_common_ptr info);

    jpeg_decompress_struct m_info;
    bool m_created = false;
    ErrorManager m_error;
    ProgressManager m_progress;
};
