#include "readers/details/OleSummaryInfoProvider.h"

#include <array>
#include <cctype>
#include <climits>

#include "platform/PathUtils.h"
#include "platform/PosixFile.h"
#include "platform/UserFiles.h"
#include "readers/details/OleSummaryReader.h"

namespace {

constexpr int kTitle = 2;
constexpr int kSubject = 3;
constexpr int kAuthor = 4;
constexpr int kKeywords = 5;
constexpr int kComments = 6;
constexpr int kPageCount = 50;
constexpr int kWordCount = 51;
constexpr int kCharCount = 52;
constexpr int kTemplate = 53;
constexpr int kCodePage = 54;
constexpr int kLastAuthor = 55;
constexpr int kRevision = 56;
constexpr int kProducer = 57;
constexpr int kSecurity = 58;
constexpr std::array<int, 14> kSummaryColumns = {
    kTitle,     kSubject,  kAuthor,   kKeywords,   kComments, kPageCount, kWordCount,
    kCharCount, kTemplate, kCodePage, kLastAuthor, kRevision, kProducer,  kSecurity};

// Summary property ids.
constexpr std::uint32_t PID_CODEPAGE = 1;
constexpr std::uint32_t PID_TITLE = 2;
constexpr std::uint32_t PID_SUBJECT = 3;
constexpr std::uint32_t PID_AUTHOR = 4;
constexpr std::uint32_t PID_KEYWORDS = 5;
constexpr std::uint32_t PID_COMMENTS = 6;
constexpr std::uint32_t PID_TEMPLATE = 7;
constexpr std::uint32_t PID_LASTAUTHOR = 8;
constexpr std::uint32_t PID_REVNUMBER = 9;
constexpr std::uint32_t PID_PAGECOUNT = 14;
constexpr std::uint32_t PID_WORDCOUNT = 15;
constexpr std::uint32_t PID_CHARCOUNT = 16;
constexpr std::uint32_t PID_THUMBNAIL = 17;
constexpr std::uint32_t PID_APPNAME = 18;
constexpr std::uint32_t PID_SECURITY = 19;

// Ids 1 to 19 but the times (10 to 13) and the thumbnail.
bool IsWantedProperty(std::uint32_t id) {
    return id >= PID_CODEPAGE && id <= PID_SECURITY && !(id >= 10 && id <= 13) &&
           id != PID_THUMBNAIL;
}

constexpr std::size_t kMaxWordLength = 9999;

// The number at the start of `text` (after white space), as "%d" reads it;
// 0 when there is none. Values beyond the int range stop at its ends.
std::int32_t LeadingNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<std::int32_t>(value);
}

}  // namespace

COleSummaryInfoProvider::COleSummaryInfoProvider() : CFixedColumnProvider(kSummaryColumns) {}

std::vector<std::string> COleSummaryInfoProvider::GetExtraExtensionsFiles() {
    std::vector<std::string> files;
    const std::string program = GetProgramFolder();
    if (!program.empty())
        files.push_back(program + "/../share/zembrolt/" + kExtraExtensionsFile);
    const std::string config = zb::UserConfigHome();
    if (!config.empty())
        files.push_back(config + "/zembrolt/" + kExtraExtensionsFile);
    return files;
}

void COleSummaryInfoProvider::AppendExtensionWords(std::string_view text,
                                                   std::vector<std::string>& extensions) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        std::string word;
        while (i < text.size() && word.size() < kMaxWordLength &&
               !std::isspace(static_cast<unsigned char>(text[i]))) {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
            ++i;
        }
        extensions.push_back(std::move(word));
    }
}

BOOL COleSummaryInfoProvider::InitExtensions() {
    // "xla" to "xlz" and the like.
    const auto appendLetters = [this](const std::string& prefix) {
        for (char letter = 'a'; letter <= 'z'; ++letter)
            m_arrExtensions.push_back(prefix + letter);
    };
    m_arrExtensions = {"max", "doc", "dot"};
    appendLetters("xl");
    appendLetters("mp");
    m_arrExtensions.insert(m_arrExtensions.end(), {"ppt", "pps", "pot"});
    appendLetters("vs");
    m_arrExtensions.insert(m_arrExtensions.end(), {"adp", "mdb", "mdw", "mde", "mda"});
    for (const std::string& file : GetExtraExtensionsFiles()) {
        std::string text;
        if (zb::ReadWholeFile(file, kMaxExtensionsFileSize, text))
            AppendExtensionWords(text, m_arrExtensions);
    }
    return TRUE;
}

void COleSummaryInfoProvider::Clear() {
    for (std::string* text : {&m_sTitle, &m_sSubject, &m_sAuthor, &m_sKeywords, &m_sComments,
                              &m_sTemplate, &m_sLastAuthor, &m_sApplication})
        text->clear();
    m_nPageCount = m_nWordCount = m_nCharCount = m_nRevision = m_nSecurity = 0;
    m_nCodePage = 0;
}

bool COleSummaryInfoProvider::TakeProperty(std::uint32_t id, const std::string& text,
                                           std::uint64_t number) {
    const auto low32 = static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
    switch (id) {
        case PID_CODEPAGE:
            m_nCodePage = static_cast<std::uint16_t>(number);
            break;
        case PID_TITLE:
            m_sTitle = text;
            break;
        case PID_SUBJECT:
            m_sSubject = text;
            break;
        case PID_AUTHOR:
            m_sAuthor = text;
            break;
        case PID_KEYWORDS:
            m_sKeywords = text;
            break;
        case PID_COMMENTS:
            m_sComments = text;
            break;
        case PID_TEMPLATE:
            m_sTemplate = text;
            break;
        case PID_LASTAUTHOR:
            m_sLastAuthor = text;
            break;
        case PID_APPNAME:
            m_sApplication = text;
            break;
        case PID_REVNUMBER:
            m_nRevision = LeadingNumber(text);
            break;
        case PID_PAGECOUNT:
            m_nPageCount = low32;
            break;
        case PID_WORDCOUNT:
            m_nWordCount = low32;
            break;
        case PID_CHARCOUNT:
            m_nCharCount = low32;
            break;
        case PID_SECURITY:
            m_nSecurity = low32;
            break;
        default:
            break;
    }
    return true;
}

BOOL COleSummaryInfoProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    Clear();
    std::string path;
    if (!item.GetDiskFilePath(&path))
        return FALSE;
    COleSummaryReader reader;
    return reader.Open(path) && LoadSummary(reader);
}

BOOL COleSummaryInfoProvider::LoadSummary(const COleSummaryReader& reader) {
    m_nState = PROVIDER_STATE_LOADING;
    Clear();
    if (!reader.ReadProperties(
            [this](const zb::PropertyValue& v) { return TakeProperty(v.id, v.text, v.number); },
            IsWantedProperty))
        return FALSE;
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL COleSummaryInfoProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED)
        return FALSE;
    const std::string* text = nullptr;
    std::int32_t number = 0;
    switch (id) {
        case kTitle:
            text = &m_sTitle;
            break;
        case kSubject:
            text = &m_sSubject;
            break;
        case kAuthor:
            text = &m_sAuthor;
            break;
        case kKeywords:
            text = &m_sKeywords;
            break;
        case kComments:
            text = &m_sComments;
            break;
        case kTemplate:
            text = &m_sTemplate;
            break;
        case kLastAuthor:
            text = &m_sLastAuthor;
            break;
        case kProducer:
            text = &m_sApplication;
            break;
        case kPageCount:
            number = m_nPageCount;
            break;
        case kWordCount:
            number = m_nWordCount;
            break;
        case kCharCount:
            number = m_nCharCount;
            break;
        case kRevision:
            number = m_nRevision;
            break;
        case kSecurity:
            number = m_nSecurity;
            break;
        case kCodePage:
            value->SetUInt16(m_nCodePage);
            return TRUE;
        default:
            return FALSE;
    }
    if (text != nullptr)
        value->text = *text;
    else
        value->SetInt32(number);
    return TRUE;
}
