#include "platform/shell/FileSystemFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <memory>

#include "platform/PosixFile.h"

namespace zb {

namespace {

int OpenDirectory(const std::string& path, bool noFollow) {
    return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0));
}

// Reads a directory's entries straight from the kernel (getdents64) into a
// buffer the caller owns, so that neither a directory nor an entry costs an
// allocation. "." and ".." are left out. Every record length is checked
// against the bytes the kernel returned.
class DirectoryReader {
public:
    DirectoryReader(int fd, char* buffer, std::size_t size)
        : m_fd(fd), m_buffer(buffer), m_size(size) {}

    // The next entry; false at the end or on an error (`Error` tells).
    bool Next(const char** name, unsigned char* type) {
        constexpr std::size_t kHeader = offsetof(dirent64, d_name);
        for (;;) {
            if (m_pos >= m_length) {
                const ssize_t n = getdents64(m_fd, m_buffer, m_size);
                if (n <= 0) {
                    m_error = n < 0 ? errno : 0;
                    return false;
                }
                m_length = static_cast<std::size_t>(n);
                m_pos = 0;
            }
            const auto* entry = reinterpret_cast<const dirent64*>(m_buffer + m_pos);
            const std::size_t left = m_length - m_pos;
            if (left <= kHeader || entry->d_reclen <= kHeader || entry->d_reclen > left) {
                m_error = EIO;
                return false;
            }
            m_pos += entry->d_reclen;
            const char* entryName = entry->d_name;
            if (entryName[0] == '.' &&
                (entryName[1] == '\0' || (entryName[1] == '.' && entryName[2] == '\0'))) {
                continue;
            }
            *name = entryName;
            *type = entry->d_type;
            return true;
        }
    }

    int Error() const { return m_error; }

private:
    int m_fd;
    char* m_buffer;
    std::size_t m_size;
    std::size_t m_length = 0;
    std::size_t m_pos = 0;
    int m_error = 0;
};

// The buffer a listing reads its entries into: one per thread, kept, so that
// a listing costs no allocation and none of the caller's stack (a walk may
// list folders thousands of levels deep). A listing never starts another on
// the same thread while it reads.
constexpr std::size_t kListingBufferSize = 32768;
static_assert(alignof(dirent64) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

char* ListingBuffer() {
    thread_local std::unique_ptr<char[]> buffer;
    if (!buffer)
        buffer = std::make_unique_for_overwrite<char[]>(kListingBufferSize);
    return buffer.get();
}

// The path of a child, built in a per-thread buffer that keeps its storage,
// so that asking a million items allocates nothing.
const std::string& ChildPath(const std::string& dir, std::string_view name) {
    thread_local std::string path;
    path.assign(dir);
    if (path.empty() || path.back() != '/')
        path += '/';
    path.append(name);
    return path;
}

// Splits a relative name into its parts, leaving out empty parts and ".".
// False for ".." (parsing never climbs out of a folder) and absolute names.
bool SplitRelative(std::string_view name, std::vector<std::string_view>* parts) {
    if (name.empty() || name.front() == '/')
        return false;
    std::size_t pos = 0;
    while (pos <= name.size()) {
        std::size_t end = name.find('/', pos);
        if (end == std::string_view::npos)
            end = name.size();
        const std::string_view part = name.substr(pos, end - pos);
        if (part == ".." || part.find('\0') != std::string_view::npos)
            return false;
        if (!part.empty() && part != ".")
            parts->push_back(part);
        pos = end + 1;
    }
    return !parts->empty();
}

}  // namespace

bool DirectoryHasSubfolder(const std::string& path, bool noFollow) {
    const zb::UniqueFd fd(OpenDirectory(path, noFollow));
    if (fd.Get() < 0)
        return errno == EACCES || errno == EPERM;
    alignas(dirent64) char buffer[4096];
    DirectoryReader reader(fd.Get(), buffer, sizeof buffer);
    const char* name = nullptr;
    unsigned char type = DT_UNKNOWN;
    while (reader.Next(&name, &type)) {
        if (type == DT_DIR)
            return true;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (fstatat(fd.Get(), name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
                return true;
        }
    }
    return false;
}

template <class Init>
void CFileSystemFolder::Once(std::atomic<bool>& done, Init&& init) {
    // std::call_once would make a system call each time it runs one, and a
    // search meets thousands of folders.
    if (done.load(std::memory_order_acquire))
        return;
    const std::lock_guard guard(m_onceLock);
    if (!done.load(std::memory_order_relaxed)) {
        init();
        done.store(true, std::memory_order_release);
    }
}

const zb::HiddenNames& CFileSystemFolder::HiddenNames() {
    Once(m_hiddenLoaded, [this] { m_hiddenNames = zb::HiddenNames::Load(m_place.dir); });
    return m_hiddenNames;
}

const CFileSystemFolder::DirectoryFacts& CFileSystemFolder::Facts() {
    Once(m_factsKnown, [this] {
        struct stat st;
        if (stat(m_place.dir.c_str(), &st) == 0) {
            m_facts.sticky = (st.st_mode & S_ISVTX) != 0;
            m_facts.owner = st.st_uid;
        }
        m_facts.writable = access(m_place.dir.c_str(), W_OK) == 0;
    });
    return m_facts;
}

bool CFileSystemFolder::IsHidden(std::string_view name) {
    if (!name.empty() && name.front() == '.')
        return true;
    if (HiddenNames().Contains(name))
        return true;
    char value[256];
    const ssize_t n =
        lgetxattr(ChildPath(m_place.dir, name).c_str(), "user.DOSATTRIB", value, sizeof value);
    return n > 0 && (zb::ParseDosAttrib(std::string_view(value, static_cast<std::size_t>(n))) &
                     FILE_ATTRIBUTE_HIDDEN) != 0;
}

HRESULT CFileSystemFolder::ListItems(DWORD shcontf, CItemListBuilder* items) {
    if (!(shcontf & (SHCONTF_FOLDERS | SHCONTF_NONFOLDERS)))
        return S_OK;
    const zb::UniqueFd fd(OpenDirectory(m_place.dir, m_place.reachedByEntry));
    if (fd.Get() < 0) {
        if (m_place.missingIsEmpty && errno == ENOENT)
            return S_OK;
        return ResultFromErrno(errno);
    }
    return ListItemsAt(fd.Get(), shcontf, items);
}

HRESULT CFileSystemFolder::ListItemsAt(int dirFd, DWORD shcontf, CItemListBuilder* items) {
    if (shcontf & SHCONTF_INCLUDEHIDDEN)
        return ListDirectoryAt(dirFd, shcontf, items, [](std::string_view) { return false; });
    return ListDirectoryAt(dirFd, shcontf, items,
                           [this](std::string_view name) { return IsHidden(name); });
}

HRESULT CFileSystemFolder::ListEveryItemAt(int dirFd, CItemListBuilder* items) {
    return ListDirectoryAt(dirFd, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                           items, [](std::string_view) { return false; });
}

template <class IsHiddenName>
HRESULT CFileSystemFolder::ListDirectoryAt(int dirFd, DWORD shcontf, CItemListBuilder* items,
                                           const IsHiddenName& isHidden) {
    const bool wantFolders = (shcontf & SHCONTF_FOLDERS) != 0;
    const bool wantOthers = (shcontf & SHCONTF_NONFOLDERS) != 0;
    if (!wantFolders && !wantOthers)
        return S_OK;
    if (lseek(dirFd, 0, SEEK_SET) != 0)
        return ResultFromErrno(errno);
    DirectoryReader reader(dirFd, ListingBuffer(), kListingBufferSize);
    const std::size_t first = items->Count();
    const char* entryName = nullptr;
    unsigned char dType = DT_UNKNOWN;
    while (reader.Next(&entryName, &dType)) {
        EntryType type = EntryTypeFromDirent(dType);
        if (type == EntryType::Unknown) {
            struct stat st;
            if (fstatat(dirFd, entryName, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;  // gone since the directory was read
            type = EntryTypeFromMode(st.st_mode);
        }
        const bool isFolder = type == EntryType::Directory;
        if (isFolder ? !wantFolders : !wantOthers)
            continue;
        const std::string_view name(entryName);
        if (isHidden(name))
            continue;
        items->Add(ItemKind::Entry, static_cast<BYTE>(type), name);
    }
    if (reader.Error() != 0)
        return ResultFromErrno(reader.Error());
    items->SortFrom(first);
    return S_OK;
}

HRESULT CFileSystemFolder::ChildAttributes(const ShellItem& item, ULONG asked, ULONG* attributes) {
    if (item.kind != ItemKind::Entry)
        return E_INVALIDARG;
    const std::string& path = ChildPath(m_place.dir, item.name);
    struct stat st;
    bool haveStat = false;
    int statError = 0;
    auto needStat = [&] {
        if (!haveStat && statError == 0) {
            if (lstat(path.c_str(), &st) == 0) {
                haveStat = true;
            } else {
                statError = errno;
            }
        }
        return haveStat;
    };

    EntryType type = item.Type();
    if (type == EntryType::Unknown || (asked & SFGAO_VALIDATE)) {
        if (!needStat())
            return ResultFromErrno(statError);
        type = EntryTypeFromMode(st.st_mode);
    }

    ULONG found = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANLINK;
    switch (type) {
        case EntryType::Directory:
            found |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
            if ((asked & SFGAO_HASSUBFOLDER) && DirectoryHasSubfolder(path, true)) {
                found |= SFGAO_HASSUBFOLDER;
            }
            break;
        case EntryType::Symlink:
            found |= SFGAO_LINK;
            break;
        case EntryType::File:
            found |= SFGAO_STREAM;
            break;
        default:
            break;
    }

    constexpr ULONG kChanges = SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE;
    if (asked & kChanges) {
        const DirectoryFacts& facts = Facts();
        bool allowed = facts.writable;
        // In a sticky directory (/tmp) only the owner of the entry or of the
        // directory may move or delete it.
        if (allowed && facts.sticky) {
            const uid_t uid = geteuid();
            if (uid != 0 && facts.owner != uid)
                allowed = needStat() && st.st_uid == uid;
        }
        if (allowed)
            found |= kChanges;
    }
    if ((asked & SFGAO_READONLY) && needStat() && !S_ISLNK(st.st_mode) &&
        (st.st_mode & S_IWUSR) == 0) {
        found |= SFGAO_READONLY;
    }
    // Last: the hidden test builds its path in the same per-thread buffer.
    if ((asked & SFGAO_HIDDEN) && IsHidden(item.name))
        found |= SFGAO_HIDDEN;
    *attributes = found;
    return S_OK;
}

HRESULT CFileSystemFolder::BindChild(const ShellItem& item, ComPtr<CShellFolderBase>* child) {
    if (item.kind != ItemKind::Entry)
        return E_INVALIDARG;
    std::string path = ChildPath(m_place.dir, item.name);
    EntryType type = item.Type();
    if (type == EntryType::Unknown) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            return ResultFromErrno(errno);
        type = EntryTypeFromMode(st.st_mode);
    }
    if (type != EntryType::Directory)
        return E_INVALIDARG;
    FolderPlace place;
    place.name = std::string(item.name);
    place.parsingName = path;
    place.dir = std::move(path);
    place.reachedByEntry = true;
    *child = ComPtr<CFileSystemFolder>::Make(Roots(), std::move(place));
    return S_OK;
}

HRESULT CFileSystemFolder::ChildName(const ShellItem& item, DWORD shgdn, std::string* name) {
    if (item.kind != ItemKind::Entry)
        return E_INVALIDARG;
    if ((shgdn & SHGDN_FORPARSING) && !(shgdn & SHGDN_INFOLDER)) {
        *name = ChildPath(m_place.dir, item.name);
    } else {
        name->assign(item.name);
    }
    return S_OK;
}

void CFileSystemFolder::OwnName(DWORD shgdn, std::string* name) {
    const bool parsing = (shgdn & SHGDN_FORPARSING) && !(shgdn & SHGDN_INFOLDER);
    *name = parsing ? m_place.parsingName : m_place.name;
}

HRESULT CFileSystemFolder::ParseItems(std::string_view name, std::string* items) {
    std::vector<std::string_view> parts;
    if (!SplitRelative(name, &parts))
        return E_INVALIDARG;
    std::string path = m_place.dir;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        path = JoinPath(path, parts[i]);
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) {
            const int error = errno;
            if (error == ENOENT)
                return last ? E_FILE_NOT_FOUND : E_PATH_NOT_FOUND;
            return ResultFromErrno(error);
        }
        if (!last && !S_ISDIR(st.st_mode))
            return E_PATH_NOT_FOUND;
        if (!AppendItemBytes(*items, ItemKind::Entry,
                             static_cast<BYTE>(EntryTypeFromMode(st.st_mode)), parts[i])) {
            return E_INVALIDARG;
        }
    }
    return S_OK;
}

}  // namespace zb
