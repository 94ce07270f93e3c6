#include "readers/archives/ArchiveHandler.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "platform/TextCase.h"
#include "platform/shell/ShellApi.h"
#include "readers/archives/ArchiveHandlerFactory.h"

CArchiveHandlerList g_arrArchiveHandlers;
std::vector<std::string> g_arrArchiveExtensions;

namespace {

// The reader list installed by CThreadArchiveHandlers on this thread, if any.
thread_local CArchiveHandlerList* t_pThreadHandlers = nullptr;

// True if the lower-cased name is longer than the extension and ends with
// "." followed by it.
bool HasExtension(std::string_view lowerName, const std::string& extension) {
    if (lowerName.size() <= extension.size()) {
        return false;
    }
    const std::size_t dot = lowerName.size() - extension.size() - 1;
    return lowerName[dot] == '.' && lowerName.substr(dot + 1) == extension;
}

// Whether the lower-cased `name` has one of the extensions. Every file of a
// walk is asked, so a name whose last bytes, as many as the longest
// extension and its dot, are ASCII is answered in place: lower-casing maps
// each character on its own and keeps an ASCII end as it is but for A to Z.
// Any other name is lower-cased whole.
bool HasAnyExtension(std::string_view name, const std::vector<std::string>& extensions) {
    std::size_t longest = 0;
    for (const std::string& extension : extensions)
        longest = std::max(longest, extension.size());
    const std::string_view end = name.substr(name.size() - std::min(name.size(), longest + 1));
    const bool asciiEnd = std::all_of(end.begin(), end.end(),
                                      [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (asciiEnd) {
        return std::any_of(extensions.begin(), extensions.end(), [&](const std::string& ext) {
            if (end.size() <= ext.size() || end[end.size() - ext.size() - 1] != '.')
                return false;
            return std::equal(ext.begin(), ext.end(), end.end() - ext.size(),
                              [](char e, char c) { return e == AsciiLower(c); });
        });
    }
    const std::string lowerName = LowerCaseUtf8(name);
    return std::any_of(extensions.begin(), extensions.end(),
                       [&](const std::string& ext) { return HasExtension(lowerName, ext); });
}

}  // namespace

const char* DescribeArchiveFailure(ArchiveFailure failure) {
    switch (failure) {
        case ArchiveFailure::None:
            return "no failure";
        case ArchiveFailure::CannotOpen:
            return "the archive cannot be read";
        case ArchiveFailure::BadArchive:
            return "the archive is damaged";
        case ArchiveFailure::BadMember:
            return "the member is not in the archive";
        case ArchiveFailure::Encrypted:
            return "the member is encrypted";
        case ArchiveFailure::UnsupportedMethod:
            return "the member is packed in a way that cannot be unpacked";
        case ArchiveFailure::DecoderFailed:
            return "the decoder could not be started";
    }
    return "unknown failure";
}

CArchiveHandler::CFileStamp CArchiveHandler::CFileStamp::Of(const std::string& path) {
    CFileStamp stamp;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return stamp;
    }
    stamp.valid = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modifiedSeconds = st.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = st.st_mtim.tv_nsec;
    return stamp;
}

BOOL CArchiveHandler::MatchExtension(const std::string& name) const {
    return HasAnyExtension(name, m_arrExtensions) ? TRUE : FALSE;
}

int CArchiveHandler::FindOpenEntry(const std::string& name) const {
    const int i = FindEntry(name);
    return (i >= 0 && IsEntryOpen(i)) ? i : -1;
}

int CArchiveHandler::OpenEntryByName(const std::string& name) {
    return OpenEntryAt(-1, name);
}

int CArchiveHandler::FindEntryAt(int index, const std::string& name) const {
    CArchiveEntryInfo info;
    if (index >= 0 && GetFileInfo(index, &info) && info.m_strName == name) {
        return index;
    }
    return FindEntry(name);
}

int CArchiveHandler::OpenEntryAt(int index, const std::string& name) {
    const int i = FindEntryAt(index, name);
    if (i < 0) {
        return SetFailure(ArchiveFailure::BadMember);
    }
    return OpenEntry(i) ? i : -1;
}

BOOL CArchiveHandler::IsOpenOn(const std::string& path) const {
    if (!IsOpen() || LowerCaseUtf8(path) != LowerCaseUtf8(m_strPath)) {
        return FALSE;
    }
    // Paths that differ only in case name one file on a case-insensitive
    // volume, but two different files on an ordinary Linux one; a file that
    // was replaced or written to since it was read needs a fresh table.
    const CFileStamp now = CFileStamp::Of(path);
    if (!m_stamp.valid) {
        return (!now.valid && path == m_strPath) ? TRUE : FALSE;
    }
    return now == m_stamp ? TRUE : FALSE;
}

int CreateArchiveHandlers(CArchiveHandlerList& list) {
    DeleteArchiveHandlers(list);
    for (std::size_t slot = 0; slot < ARCHIVE_SLOT_COUNT; ++slot) {
        const ArchiveHandlerFactory factory =
            GetArchiveHandlerFactory(static_cast<ArchiveSlot>(slot));
        if (factory == nullptr) {
            continue;
        }
        if (std::unique_ptr<CArchiveHandler> handler = factory()) {
            list.push_back(std::move(handler));
        }
    }
    for (const auto& handler : list) {
        handler->Init();
    }
    return static_cast<int>(list.size());
}

void DeleteArchiveHandlers(CArchiveHandlerList& list) {
    CloseArchiveHandlers(list);
    list.clear();
}

int CloseArchiveHandlers(CArchiveHandlerList& list) {
    for (const auto& handler : list) {
        handler->Close();
    }
    return static_cast<int>(list.size());
}

int InitArchiveHandlers() {
    if (!g_arrArchiveHandlers.empty()) {
        return static_cast<int>(g_arrArchiveHandlers.size());
    }
    return CreateArchiveHandlers(g_arrArchiveHandlers);
}

void CloseAllArchives() {
    CloseArchiveHandlers(g_arrArchiveHandlers);
}

void FreeArchiveHandlers() {
    CloseAllArchives();
    g_arrArchiveHandlers.clear();
}

int GetMaxBlockSize() {
    int largest = 0;
    for (const auto& handler : g_arrArchiveHandlers) {
        largest = std::max(largest, handler->GetBlockSize());
    }
    return largest;
}

CArchiveHandler* FindArchiveHandler(const std::string& path) {
    return FindArchiveHandlerIn(path,
                                t_pThreadHandlers ? *t_pThreadHandlers : g_arrArchiveHandlers);
}

CThreadArchiveHandlers::CThreadArchiveHandlers(CArchiveHandlerList& list)
    : m_pPrevious(std::exchange(t_pThreadHandlers, &list)) {}

CThreadArchiveHandlers::~CThreadArchiveHandlers() {
    t_pThreadHandlers = m_pPrevious;
}

CArchiveHandler* FindArchiveHandlerIn(const std::string& path, const CArchiveHandlerList& list) {
    for (const auto& handler : list) {
        if (handler->MatchExtension(path) && handler->Open(path)) {
            return handler.get();
        }
    }
    return nullptr;
}

void InitArchiveExtensions() {
    g_arrArchiveExtensions = {"zip", "pak", "rar", "tgz", "tar", "tar.gz", "gz",
                              "cab", "ace", "arj", "bz",  "bz2", "tbz",    "tbz2"};
}

BOOL IsArchiveFileName(const std::string& name) {
    return HasAnyExtension(name, g_arrArchiveExtensions) ? TRUE : FALSE;
}
