#include "readers/details/DizInfoProvider.h"

#include <array>

#include "platform/TextCase.h"
#include "platform/TextCodec.h"
#include "readers/archives/ArchiveHandler.h"

namespace {

constexpr int kComments = 6;
constexpr std::array<int, 1> kDizColumns = {kComments};

// The file-name part of a member path: what follows the last '\' or ':'
// that has a character after it, lower-cased.
std::string LowerFileNamePart(const std::string& path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        if (path[i] == '\\' || path[i] == ':')
            start = i + 1;
    }
    std::string name = path.substr(start);
    for (char& c : name)
        c = AsciiLower(c);
    return name;
}

// Up to `count` bytes of open member `entry` (a member may deliver fewer
// bytes than asked before its end); what came before a failure counts.
std::string ReadMemberStart(CArchiveHandler& handler, int entry, std::size_t count) {
    std::string bytes(count, '\0');
    std::size_t done = 0;
    while (done < count) {
        const int got = handler.Read(entry, bytes.data() + done, static_cast<int>(count - done));
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace

CDizInfoProvider::CDizInfoProvider() : CFixedColumnProvider(kDizColumns) {}

BOOL CDizInfoProvider::InitExtensions() {
    m_arrExtensions.clear();
    if (g_arrArchiveHandlers.empty())
        return FALSE;
    for (const auto& handler : g_arrArchiveHandlers) {
        std::vector<std::string> extensions;
        handler->GetExtensions(&extensions);
        m_arrExtensions.insert(m_arrExtensions.end(), extensions.begin(), extensions.end());
    }
    return TRUE;
}

BOOL CDizInfoProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    m_sDescription.clear();
    std::string path;
    if (!item.GetDiskFilePath(&path))
        return FALSE;
    CArchiveHandler* handler = FindArchiveHandler(path);
    if (handler == nullptr)
        return FALSE;
    for (int i = handler->FirstFile(); i != -1; i = handler->NextFile(i)) {
        std::string name;
        if (!handler->GetName(i, &name))
            return FALSE;
        if (LowerFileNamePart(name) != "file_id.diz")
            continue;
        // The first description member decides.
        if (!handler->OpenEntry(i))
            return FALSE;
        const std::string bytes = ReadMemberStart(*handler, i, kMaxLineBytes);
        handler->CloseEntry(i);
        if (bytes.empty())
            return FALSE;
        m_sDescription =
            zb::Cp437ToUtf8(bytes.substr(0, bytes.find_first_of(std::string("\r\n\0", 3))));
        m_nState = PROVIDER_STATE_LOADED;
        return TRUE;
    }
    return FALSE;
}

BOOL CDizInfoProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED || id != kComments)
        return FALSE;
    value->text = m_sDescription;
    return TRUE;
}
