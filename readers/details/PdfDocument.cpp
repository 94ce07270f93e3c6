#include "readers/details/PdfDocument.h"

#include <unistd.h>

#include <poppler-document.h>
#include <poppler-global.h>

#include <algorithm>
#include <mutex>

#include "platform/FaultTrace.h"
#include "platform/InputFile.h"
#include "platform/TextCodec.h"

namespace {

void IgnoreLibraryMessage(const std::string& /*message*/, void* /*closure*/) {}

// The library prints its parse errors to stderr unless told otherwise; told
// once, before the first document is opened.
void SilenceLibraryMessages() {
    static std::once_flag once;
    std::call_once(once, [] { poppler::set_debug_error_function(IgnoreLibraryMessage, nullptr); });
}

poppler::document* LoadDocument(const std::string& path) {
    try {
        return poppler::document::load_from_file(path);
    } catch (...) {
        zb::NoteIgnoredFault("opening a PDF document");
        return nullptr;
    }
}

}  // namespace

std::unique_ptr<poppler::document> OpenPdfDocumentAt(const std::string& path) {
    SilenceLibraryMessages();
    // Only a regular file is handed to the library, which opens the path
    // itself: it is opened here first (a FIFO or device is refused without
    // blocking) and the library reads that very file through its descriptor.
    const int fd = zb::OpenRegularFile(path);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<poppler::document> document(
        LoadDocument("/proc/self/fd/" + std::to_string(fd)));
    if (!document && ::access("/proc/self/fd", F_OK) != 0)
        document.reset(LoadDocument(path));
    ::close(fd);
    // A document that needs a password is locked; nothing of it can be read.
    if (!document || document->is_locked())
        return nullptr;
    return document;
}

std::unique_ptr<poppler::document> OpenPdfDocument(const CProviderItem& item) {
    std::string path;
    if (!item.GetDiskFilePath(&path))
        return nullptr;
    return OpenPdfDocumentAt(path);
}

std::string PdfInfoUnitsToText(std::basic_string_view<unsigned short> units) {
    if (std::any_of(units.begin(), units.end(), [](unsigned short u) { return u > 0xFF; }))
        return "<unicode>";
    std::string bytes;
    for (const unsigned short unit : units) {
        if (unit == 0)
            break;
        bytes += static_cast<char>(unit);
    }
    return zb::Cp1252ToUtf8(bytes);
}

std::string ReadPdfInfoString(const poppler::document& document, const char* key) {
    const poppler::ustring units = document.info_key(key);
    return PdfInfoUnitsToText(std::basic_string_view<unsigned short>(units.data(), units.size()));
}
