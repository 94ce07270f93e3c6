#pragma once
// The detail provider of compound documents (word-processor, spreadsheet,
// presentation, drawing, database and 3-D scene files): fourteen columns out
// of the summary information. Besides the built-in extensions, the words of
// "oleext.txt" in the program's share folder and in the user's config folder
// ($XDG_CONFIG_HOME/zembrolt/) are taken as extensions. Files inside
// archives get no values.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "readers/details/FixedColumnProvider.h"

class COleSummaryReader;

class COleSummaryInfoProvider : public CFixedColumnProvider {
public:
    static constexpr const char* kExtraExtensionsFile = "oleext.txt";
    // Bytes of an extensions file that are read.
    static constexpr std::size_t kMaxExtensionsFileSize = 1u << 20;

    COleSummaryInfoProvider();

    // The 89 built-in extensions, then the words of the extensions files.
    BOOL InitExtensions() override;
    // Refuses members of archives; reads the file's summary stream as
    // LoadSummary does.
    BOOL Load(const CProviderItem& item) override;
    // Takes the values of the properties of the summary stream open in
    // `reader`, its texts decoded by the code page each section declares.
    BOOL LoadSummary(const COleSummaryReader& reader);
    // Only once loaded: the texts, the counts, the revision and security as
    // numbers, the code page as a 16-bit number.
    BOOL GetValue(int id, COLUMNVALUE* value) override;

    // The extensions files, in the order they are read: the program's share
    // folder, then the user's config folder.
    static std::vector<std::string> GetExtraExtensionsFiles();
    // Appends the words of `text` (separated by white space; a word of more
    // than 9,999 characters is taken in pieces of that size), lower-cased.
    static void AppendExtensionWords(std::string_view text, std::vector<std::string>& extensions);

private:
    void Clear();
    bool TakeProperty(std::uint32_t id, const std::string& text, std::uint64_t number);

    std::string m_sTitle;
    std::string m_sSubject;
    std::string m_sAuthor;
    std::string m_sKeywords;
    std::string m_sComments;
    std::string m_sTemplate;
    std::string m_sLastAuthor;
    std::string m_sApplication;
    std::int32_t m_nPageCount = 0;
    std::int32_t m_nWordCount = 0;
    std::int32_t m_nCharCount = 0;
    std::int32_t m_nRevision = 0;
    std::int32_t m_nSecurity = 0;
    std::uint16_t m_nCodePage = 0;
};
