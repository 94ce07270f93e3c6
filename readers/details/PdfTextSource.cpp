#include "readers/details/PdfTextSource.h"

#include <mutex>
#include <utility>

#include "readers/details/PdfText.h"

namespace {

PdfTextExtractor DefaultExtractor() {
    return
        [](const std::string& path, CTextBuffer* text) { return ExtractPdfFileText(path, text); };
}

std::mutex& ExtractorLock() {
    static std::mutex lock;
    return lock;
}

PdfTextExtractor& InstalledExtractor() {
    static PdfTextExtractor extractor = DefaultExtractor();
    return extractor;
}

}  // namespace

void SetPdfTextExtractor(PdfTextExtractor extractor) {
    std::lock_guard<std::mutex> guard(ExtractorLock());
    InstalledExtractor() = extractor ? std::move(extractor) : DefaultExtractor();
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
