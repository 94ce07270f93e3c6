#include "tools/DosAttributes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/FileInfo.h"
#include "platform/PosixFile.h"
#include "platform/shell/ShellRoots.h"

namespace {

constexpr const char* kDosAttribName = "user.DOSATTRIB";
constexpr DWORD kDosAttribBits =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
// ".hidden" files are read up to this size (as the platform reads them).
constexpr std::size_t kMaxHiddenListBytes = 4 * 1024 * 1024;
// The largest value an extended attribute can have on Linux.
constexpr std::size_t kMaxXattrBytes = 65536;

std::string ErrnoText(int error) {
    if (error == ENOTSUP)
        return "the file system keeps no extended attributes";
    return std::strerror(error);
}

// The value of user.DOSATTRIB; false with errno when it cannot be read
// (ENODATA when absent).
bool ReadDosAttribValue(const std::string& path, std::string* value) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::lgetxattr(path.c_str(), kDosAttribName, buffer.data(), buffer.size());
        if (n >= 0) {
            value->assign(buffer.data(), static_cast<std::size_t>(n));
            return true;
        }
        if (errno != ERANGE || buffer.size() >= kMaxXattrBytes)
            return false;
        buffer.resize(kMaxXattrBytes);
    }
}

void SplitFolderAndName(const std::string& path, std::string* folder, std::string* name) {
    const std::string trimmed = zb::TrimTrailingSlashes(path);
    *folder = zb::FolderOf(trimmed);
    *name = trimmed.substr(trimmed.rfind('/') + 1);  // the whole of it without a "/"
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

}  // namespace

void CHiddenListWriter::Request(const std::string& folder, const std::string& name, bool listed) {
    m_pending[folder][name] = listed;
}

std::set<std::string> CHiddenListWriter::PendingFolders() const {
    std::set<std::string> folders;
    for (const auto& [folder, names] : m_pending)
        folders.insert(folder);
    return folders;
}

bool CHiddenListWriter::Flush(const std::string& folder, std::string* reason,
                              std::set<std::string>* names) {
    const auto found = m_pending.find(folder);
    if (found == m_pending.end())
        return true;
    const std::map<std::string, bool> edits = std::move(found->second);
    m_pending.erase(found);
    names->clear();
    for (const auto& [name, listed] : edits)
        names->insert(name);

    const std::string listPath = zb::JoinPath(folder, ".hidden");
    struct stat st {};
    const bool exists = ::lstat(listPath.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) {
        *reason = std::strerror(errno);
        return false;
    }
    std::string text;
    if (exists &&
        (!S_ISREG(st.st_mode) || !zb::ReadWholeFile(listPath, kMaxHiddenListBytes, text))) {
        *reason = listPath + " cannot be read";
        return false;
    }
    std::vector<std::string> lines = SplitLines(text);
    bool changed = false;
    for (const auto& [name, listed] : edits) {
        const auto at = std::find(lines.begin(), lines.end(), name);
        if (listed && at == lines.end()) {
            lines.push_back(name);
            changed = true;
        } else if (!listed && at != lines.end()) {
            lines.erase(std::remove(lines.begin(), lines.end(), name), lines.end());
            changed = true;
        }
    }
    if (!changed)
        return true;
    if (lines.empty()) {
        if (exists && ::unlink(listPath.c_str()) != 0) {
            *reason = std::strerror(errno);
            return false;
        }
        return true;
    }
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += '\n';
    }
    const mode_t mode = exists ? (st.st_mode & 07777) : 0644;
    if (!zb::WriteFileAtomically(listPath, out.data(), out.size(), mode)) {
        *reason = listPath + " cannot be written: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool WriteDosAttribBits(const std::string& path, DWORD bits, std::string* reason) {
    std::string value;
    DWORD stored = 0;
    std::string tail;
    if (ReadDosAttribValue(path, &value)) {
        const std::size_t nul = value.find('\0');
        if (nul != std::string::npos)
            tail = value.substr(nul);
        if (!zb::ParseDosAttribText(value, &stored)) {
            *reason = "user.DOSATTRIB holds a value this program does not understand";
            return false;
        }
    } else if (errno != ENODATA) {
        *reason = ErrnoText(errno);
        return false;
    }
    const DWORD updated = (stored & ~kDosAttribBits) | (bits & kDosAttribBits);
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(updated));
    const std::string written = text + tail;
    if (::lsetxattr(path.c_str(), kDosAttribName, written.data(), written.size(), 0) != 0) {
        *reason = ErrnoText(errno);
        return false;
    }
    return true;
}

bool ChangeDosAttributes(const std::string& path, DWORD oldAttributes, DWORD newAttributes,
                         CHiddenListWriter& hidden, std::string* reason) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        *reason = std::strerror(errno);
        return false;
    }
    const DWORD changed = (oldAttributes ^ newAttributes) & kChangeableAttributes;
    std::vector<std::string> failures;

    // user.DOSATTRIB can be written only while the file can: the write bits
    // come back before it is written and go after it.
    const bool readOnlyChanges = (changed & FILE_ATTRIBUTE_READONLY) && S_ISREG(st.st_mode);
    const bool makeReadOnly = (newAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    const auto changeReadOnly = [&] {
        const mode_t mode = makeReadOnly ? (st.st_mode & 07777 & ~mode_t{0222})
                                         : ((st.st_mode & 07777) | (zb::NewFileMode() & 0222));
        if (::fchmodat(AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) != 0)
            failures.push_back(std::strerror(errno));
    };
    if (readOnlyChanges && !makeReadOnly)
        changeReadOnly();

    std::string folder;
    std::string name;
    SplitFolderAndName(path, &folder, &name);
    const bool setHidden = (newAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    if (changed & FILE_ATTRIBUTE_HIDDEN) {
        if (name.find('\n') != std::string::npos)
            failures.push_back("a name with a line break cannot be listed in .hidden");
        else if (!setHidden && !name.empty() && name.front() == '.')
            failures.push_back("a name that starts with \".\" is always hidden");
        else
            hidden.Request(folder, name, setHidden);
    }

    if (changed & kDosAttribBits) {
        const bool systemOrArchive = (changed & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
        if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
            std::string why;
            if (!WriteDosAttribBits(path, newAttributes, &why)) {
                // Hidden alone rests on ".hidden" where no attribute can be kept.
                if (systemOrArchive || why != ErrnoText(ENOTSUP))
                    failures.push_back(why);
            }
        } else if (systemOrArchive) {
            failures.push_back(S_ISLNK(st.st_mode)
                                   ? "a symbolic link cannot carry the system and archive bits"
                                   : "a special file cannot carry the system and archive bits");
        }
    }

    if (readOnlyChanges && makeReadOnly)
        changeReadOnly();

    if (failures.empty())
        return true;
    reason->clear();
    for (const std::string& failure : failures) {
        if (!reason->empty())
            *reason += "; ";
        *reason += failure;
    }
    return false;
}
