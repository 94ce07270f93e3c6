#include "readers/details/PdfText.h"

#include <poppler-document.h>
#include <poppler-page.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "platform/FaultTrace.h"
#include "platform/TextBuffer.h"
#include "readers/details/PdfDocument.h"
#include "readers/details/StopFlag.h"

namespace {

constexpr std::int32_t kTextGrowStep = 0x100000;
constexpr std::string_view kPageEnd = "\n\f\n\n";
// A document of many pages is rendered on several threads when the caller
// allows it, one per so many pages, at most this many: a long document would
// otherwise keep a search waiting for one thread long after the rest of its
// work is done.
constexpr int kPagesPerThread = 8;
constexpr int kMaxRenderThreads = 4;

// Page `index` of `document` as text in the layout AppendPdfPageText makes.
void RenderPage(poppler::document& document, int index, std::string& page) {
    page.clear();
    const std::unique_ptr<poppler::page> source(document.create_page(index));
    if (!source) {
        AppendPdfPageText({}, page);
        return;
    }
    const poppler::byte_array text =
        source->text(poppler::rectf(), poppler::page::raw_order_layout).to_utf8();
    AppendPdfPageText(std::string_view(text.data(), text.size()), page);
}

// Renders the pages on `threads` threads, each with a copy of the document of
// its own (the library's documents are not shared between threads), page i
// on thread i % threads; pages a thread could not render are rendered here
// afterwards. Adds them in page order up to the first that was not rendered
// (the stop flag, or a fault, ended the work before it).
void AppendPagesRenderedTogether(poppler::document& document, const std::string& path, int pages,
                                 int threads, CTextBuffer* buffer,
                                 const std::function<void(int page)>& pageDone) {
    std::vector<std::string> texts(static_cast<std::size_t>(pages));
    std::vector<char> rendered(static_cast<std::size_t>(pages), 0);
    const auto render = [&](poppler::document& source, int first, int step) {
        try {
            for (int i = first; i < pages && !IsStopReadingSet(); i += step) {
                if (rendered[static_cast<std::size_t>(i)])
                    continue;
                RenderPage(source, i, texts[static_cast<std::size_t>(i)]);
                rendered[static_cast<std::size_t>(i)] = 1;
            }
        } catch (...) {
            zb::NoteIgnoredFault("the text of a PDF page");
        }
    };
    std::vector<std::thread> helpers;
    for (int k = 1; k < threads; ++k) {
        try {
            helpers.emplace_back([&render, &path, k, threads, faults = zb::CurrentFaultTrace()] {
                const zb::CFaultTraceScope scope(faults);
                try {
                    if (const std::unique_ptr<poppler::document> copy = OpenPdfDocumentAt(path))
                        render(*copy, k, threads);
                } catch (...) {
                    zb::NoteIgnoredFault("opening a copy of a PDF document");
                }
            });
        } catch (...) {
            break;  // no thread to be had: its pages are rendered below
        }
    }
    render(document, 0, threads);
    for (std::thread& helper : helpers)
        helper.join();
    render(document, 0, 1);
    for (int i = 0; i < pages && rendered[static_cast<std::size_t>(i)]; ++i) {
        std::string& text = texts[static_cast<std::size_t>(i)];
        if (buffer->Append(text.c_str()) < 0)
            break;
        std::string().swap(text);  // the buffer holds it now: the text is not kept twice
        if (pageDone)
            pageDone(i);
    }
}

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
                        const std::function<void(int page)>& pageDone, int threads) {
    const std::unique_ptr<poppler::document> document = OpenPdfDocumentAt(path);
    if (!document)
        return FALSE;
    buffer->SetGrowStep(kTextGrowStep);
    try {
        const int pages = document->pages();
        const int renderers =
            std::clamp(std::min(pages / kPagesPerThread, threads), 1, kMaxRenderThreads);
        if (renderers > 1) {
            AppendPagesRenderedTogether(*document, path, pages, renderers, buffer, pageDone);
            return TRUE;
        }
        std::string page;
        for (int i = 0; i < pages; ++i) {
            if (IsStopReadingSet())
                break;
            RenderPage(*document, i, page);
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
