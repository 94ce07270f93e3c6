#include "readers/details/PdfTextSource.h"

#include <mutex>
#include <utility>

#include "readers/details/PdfText.h"

namespace {

std::mutex& ExtractorLock() {
    static std::mutex lock;
    return lock;
}

// The extractor a test installed; empty: the PDF library's.
PdfTextExtractor& InstalledExtractor() {
    static PdfTextExtractor extractor;
    return extractor;
}

}  // namespace

void SetPdfTextExtractor(PdfTextExtractor extractor) {
    std::lock_guard<std::mutex> guard(ExtractorLock());
    InstalledExtractor() = std::move(extractor);
}

BOOL ExtractPdfText(const std::string& path, CTextBuffer* text, int threads) {
    if (text == nullptr)
        return FALSE;
    PdfTextExtractor extractor;
    {
        // Run a copy outside the lock: extraction of a large document takes
        // long, and the extractor may be replaced meanwhile.
        std::lock_guard<std::mutex> guard(ExtractorLock());
        extractor = InstalledExtractor();
    }
    if (!extractor)
        return ExtractPdfFileText(path, text, {}, threads);
    return extractor(path, text) ? TRUE : FALSE;
}
