#include "readers/details/PdfTextSource.h"

#include <mutex>
#include <utility>

namespace {

std::mutex& ExtractorLock() {
    static std::mutex lock;
    return lock;
}

PdfTextExtractor& InstalledExtractor() {
    static PdfTextExtractor extractor;
    return extractor;
}

}  // namespace

void SetPdfTextExtractor(PdfTextExtractor extractor) {
    std::lock_guard<std::mutex> guard(ExtractorLock());
    InstalledExtractor() = std::move(extractor);
}

BOOL ExtractPdfText(const std::string& path, CTextBuffer* text) {
    PdfTextExtractor extractor;
    {
        // Run a copy outside the lock: extraction of a large document takes
        // long, and the extractor may be replaced meanwhile.
        std::lock_guard<std::mutex> guard(ExtractorLock());
        extractor = InstalledExtractor();
    }
    if (!extractor || text == nullptr) {
        return FALSE;
    }
    return extractor(path, text) ? TRUE : FALSE;
}
