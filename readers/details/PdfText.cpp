#include "readers/details/PdfText.h"

#include <poppler-document.h>
#include <poppler-page.h>

#include <memory>

#include "platform/FaultTrace.h"
#include "platform/TextBuffer.h"
#include "readers/details/PdfDocument.h"
#include "readers/details/StopFlag.h"

namespace {

constexpr std::int32_t kTextGrowStep = 0x100000;
constexpr std::string_view kPageEnd = "\n\f\n\n";

}  // namespace

void AppendPdfPageText(std::string_view pageText, std::string& out) {
    while (!pageText.empty() && pageText.back() == '\f')
        pageText.remove_suffix(1);
    for (const char c : pageText) {
        if (c == '\n')
            out += "\r\n";
        else if (c != '\0' && c != '\f')
            out += c;
    }
    if (!pageText.empty() && pageText.back() != '\n')
        out += "\r\n";
    out += kPageEnd;
}

BOOL ExtractPdfFileText(const std::string& path, CTextBuffer* buffer,
                        const std::function<void(int page)>& pageDone) {
    const std::unique_ptr<poppler::document> document = OpenPdfDocumentAt(path);
    if (!document)
        return FALSE;
    buffer->SetGrowStep(kTextGrowStep);
    try {
        const int pages = document->pages();
        std::string page;
        for (int i = 0; i < pages; ++i) {
            if (IsStopReadingSet())
                break;
            page.clear();
            const std::unique_ptr<poppler::page> source(document->create_page(i));
            if (source) {
                const poppler::byte_array text =
                    source->text(poppler::rectf(), poppler::page::raw_order_layout).to_utf8();
                AppendPdfPageText(std::string_view(text.data(), text.size()), page);
            } else {
                AppendPdfPageText({}, page);
            }
            // A buffer that cannot grow any more keeps the pages it holds.
            if (buffer->Append(page.c_str()) < 0)
                break;
            if (pageDone)
                pageDone(i);
        }
    } catch (...) {
        // The document opened: what was rendered before the fault stays.
        zb::NoteIgnoredFault("the text of a PDF page");
    }
    return TRUE;
}
