#pragma once
// The detail provider of PDF documents: title, subject, author, keywords and
// producer from the document information, the page count, and whether the
// document is encrypted. Files inside archives get no values.

#include <string>

#include "readers/details/FixedColumnProvider.h"

class CPdfInfoProvider : public CFixedColumnProvider {
public:
    CPdfInfoProvider();

    // "pdf".
    BOOL InitExtensions() override;
    BOOL Load(const CProviderItem& item) override;
    // Only once loaded: the five texts, the page count (50) and the
    // security flag (58, 1 when encrypted) as numbers; 0 for other ids.
    BOOL GetValue(int id, COLUMNVALUE* value) override;

private:
    std::string m_sTitle;
    std::string m_sSubject;
    std::string m_sAuthor;
    std::string m_sKeywords;
    std::string m_sProducer;
    int m_nPageCount = 0;
    int m_nSecurity = 0;
};
