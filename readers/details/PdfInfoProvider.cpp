#include "readers/details/PdfInfoProvider.h"

#include <poppler-document.h>

#include <array>

#include "readers/details/PdfDocument.h"

namespace {

constexpr int kTitle = 2;
constexpr int kSubject = 3;
constexpr int kAuthor = 4;
constexpr int kKeywords = 5;
constexpr int kPageCount = 50;
constexpr int kProducer = 57;
constexpr int kSecurity = 58;
constexpr std::array<int, 7> kPdfColumns = {kTitle,     kSubject,  kAuthor,  kKeywords,
                                            kPageCount, kProducer, kSecurity};

}  // namespace

CPdfInfoProvider::CPdfInfoProvider() : CFixedColumnProvider(kPdfColumns) {}

BOOL CPdfInfoProvider::InitExtensions() {
    m_arrExtensions = {"pdf"};
    return TRUE;
}

BOOL CPdfInfoProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    for (std::string* text : {&m_sTitle, &m_sSubject, &m_sAuthor, &m_sKeywords, &m_sProducer})
        text->clear();
    m_nPageCount = 0;
    m_nSecurity = 0;

    const std::unique_ptr<poppler::document> document = OpenPdfDocument(item);
    if (!document)
        return FALSE;
    m_sTitle = ReadPdfInfoString(*document, "Title");
    m_sSubject = ReadPdfInfoString(*document, "Subject");
    m_sKeywords = ReadPdfInfoString(*document, "Keywords");
    m_sAuthor = ReadPdfInfoString(*document, "Author");
    m_sProducer = ReadPdfInfoString(*document, "Producer");
    m_nPageCount = document->pages();
    m_nSecurity = document->is_encrypted() ? 1 : 0;
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL CPdfInfoProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED)
        return FALSE;
    switch (id) {
        case kTitle:
            value->text = m_sTitle;
            return TRUE;
        case kSubject:
            value->text = m_sSubject;
            return TRUE;
        case kAuthor:
            value->text = m_sAuthor;
            return TRUE;
        case kKeywords:
            value->text = m_sKeywords;
            return TRUE;
        case kProducer:
            value->text = m_sProducer;
            return TRUE;
        case kPageCount:
            value->SetUInt32(static_cast<std::uint32_t>(m_nPageCount));
            return TRUE;
        case kSecurity:
            value->SetUInt32(static_cast<std::uint32_t>(m_nSecurity));
            return TRUE;
        default:
            return FALSE;
    }
}
