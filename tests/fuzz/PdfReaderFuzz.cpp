// Opens arbitrary bytes as a PDF document: the detail provider reads its
// information strings, page count and security, and the content search's
// text extraction renders every page. Neither may fail on any input.
#include <cstddef>
#include <cstdint>

#include "ArchiveFuzzDriver.h"
#include "platform/TextBuffer.h"
#include "readers/details/PdfInfoProvider.h"
#include "readers/details/PdfText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = zbfuzz::FuzzFilePath(".pdf");
    if (!zbfuzz::WriteFuzzFile(path, data, size))
        return 0;
    CPdfInfoProvider provider;
    provider.InitExtensions();
    CProviderItem item;
    item.m_sName = "fuzz.pdf";
    item.m_sPath = path;
    if (provider.Load(item)) {
        COLUMNVALUE value;
        for (int i = 0; i < provider.GetColumnCount(); ++i) {
            COLUMNINFO info{};
            if (provider.GetColumnByIndex(i, &info))
                provider.GetValue(info.nId, &value);
        }
    }
    provider.Reset();
    CTextBuffer text;
    ExtractPdfFileText(path, &text);
    return 0;
}
