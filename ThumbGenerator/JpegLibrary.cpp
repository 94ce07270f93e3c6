#include "ThumbGenerator/JpegLibrary.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "ThumbGenerator/ImageDecoder.h"
#include "ThumbGenerator/ImageSource.h"

CJpegDecompressor::CJpegDecompressor(std::chrono::steady_clock::time_point deadline,
                                     CProgressNotifier* notifier) {
    std::memset(&m_info, 0, sizeof(m_info));
    std::memset(&m_error, 0, sizeof(m_error));
    m_progress.manager = jpeg_progress_mgr{};
    m_info.err = jpeg_std_error(&m_error.manager);
    m_error.manager.error_exit = ErrorExit;
    m_error.manager.output_message = OutputMessage;
    m_error.armed = true;
    if (setjmp(m_error.jump) == 0) {
        jpeg_create_decompress(&m_info);
        m_created = true;
    }
    m_error.armed = false;
    m_progress.manager.progress_monitor = Progress;
    m_progress.deadline = deadline;
    m_progress.notifier = notifier;
    m_info.progress = &m_progress.manager;
}

CJpegDecompressor::~CJpegDecompressor() {
    if (m_created)
        jpeg_destroy_decompress(&m_info);
}

void CJpegDecompressor::ErrorExit(j_common_ptr info) {
    auto* error = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, error->message);
    // Every libjpeg call runs inside one of the steps below; an error
    // elsewhere would have nowhere to go.
    if (!error->armed)
        std::abort();
    std::longjmp(error->jump, 1);
}

void CJpegDecompressor::OutputMessage(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    DecoderTrace(2, std::string(message) + "\n");
}

void CJpegDecompressor::Progress(j_common_ptr info) {
    auto* progress = reinterpret_cast<ProgressManager*>(info->progress);
    auto* error = reinterpret_cast<ErrorManager*>(info->err);
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans) {
        std::strcpy(error->message, "Too many scans in the JPEG data.");
        std::longjmp(error->jump, 1);
    }
    if (std::chrono::steady_clock::now() > progress->deadline) {
        std::strcpy(error->message, "Decoding took too long.");
        std::longjmp(error->jump, 1);
    }
    const jpeg_progress_mgr& p = progress->manager;
    if (progress->notifier != nullptr && p.pass_limit > 0 && p.total_passes > 0)
        progress->notifier->OnProgress(
            (static_cast<double>(p.pass_counter) / p.pass_limit + p.completed_passes) /
            p.total_passes);
}

// Each step arms the error jump for the time of its libjpeg calls. The jump
// lands in the step's own frame, which holds nothing to destroy.
#define JPEG_STEP_BEGIN         \
    if (!m_created)             \
        return false;           \
    m_error.armed = true;       \
    if (setjmp(m_error.jump)) { \
        m_error.armed = false;  \
        return false;           \
    }
#define JPEG_STEP_END      \
    m_error.armed = false; \
    return true;

bool CJpegDecompressor::SetMemorySource(const BYTE* data, std::size_t size) {
    JPEG_STEP_BEGIN
    jpeg_mem_src(&m_info, data, static_cast<unsigned long>(size));
    JPEG_STEP_END
}

bool CJpegDecompressor::SetFileSource(FILE* file) {
    JPEG_STEP_BEGIN
    jpeg_stdio_src(&m_info, file);
    JPEG_STEP_END
}

bool CJpegDecompressor::ReadHeader() {
    JPEG_STEP_BEGIN
    jpeg_read_header(&m_info, TRUE);
    JPEG_STEP_END
}

bool CJpegDecompressor::Start() {
    JPEG_STEP_BEGIN
    jpeg_start_decompress(&m_info);
    JPEG_STEP_END
}

bool CJpegDecompressor::ReadRows(JSAMPROW* rows, JDIMENSION count) {
    JPEG_STEP_BEGIN
    JDIMENSION done = 0;
    while (done < count && m_info.output_scanline < m_info.output_height) {
        const JDIMENSION read = jpeg_read_scanlines(&m_info, rows + done, count - done);
        if (read == 0) {
            m_error.armed = false;
            return false;
        }
        done += read;
    }
    JPEG_STEP_END
}

bool CJpegDecompressor::Finish() {
    JPEG_STEP_BEGIN
    jpeg_finish_decompress(&m_info);
    JPEG_STEP_END
}

#undef JPEG_STEP_BEGIN
#undef JPEG_STEP_END

void CJpegDecompressor::CmykToBgrx(const BYTE* cmyk, BYTE* bgrx, std::size_t width) const {
    // Adobe's files store the four components inverted.
    const bool inverted = m_info.saw_Adobe_marker != 0;
    for (std::size_t x = 0; x < width; ++x, cmyk += 4, bgrx += 4) {
        const unsigned c = inverted ? cmyk[0] : 255u - cmyk[0];
        const unsigned m = inverted ? cmyk[1] : 255u - cmyk[1];
        const unsigned y = inverted ? cmyk[2] : 255u - cmyk[2];
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        bgrx[0] = static_cast<BYTE>(y * k / 255);
        bgrx[1] = static_cast<BYTE>(m * k / 255);
        bgrx[2] = static_cast<BYTE>(c * k / 255);
        bgrx[3] = 255;
    }
}
