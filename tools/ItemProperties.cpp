#include "tools/ItemProperties.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <vector>

#include "platform/FileInfo.h"
#include "platform/PathUtils.h"
#include "platform/PosixFile.h"

namespace {

constexpr int kMaxSumDepth = 512;

std::string UserName(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->gr_name;
    return std::to_string(gid);
}

void SumAt(int folderFd, int depth, CFolderTotals* totals, const std::atomic<bool>& stop) {
    std::vector<std::string> names;
    if (!zb::ListFolderNames(folderFd, &names)) {
        totals->complete = false;
        return;
    }
    std::vector<std::string> folders;
    for (const std::string& name : names) {
        if (stop.load(std::memory_order_relaxed)) {
            totals->complete = false;
            return;
        }
        struct stat st {};
        if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            totals->complete = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            ++totals->folders;
            folders.push_back(name);
        } else {
            ++totals->files;
            totals->bytes += static_cast<std::uint64_t>(st.st_size);
        }
    }
    for (const std::string& name : folders) {
        if (stop.load(std::memory_order_relaxed) || depth >= kMaxSumDepth) {
            totals->complete = false;
            return;
        }
        const zb::UniqueFd child(
            ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!child.IsOpen()) {
            totals->complete = false;
            continue;
        }
        SumAt(child.Get(), depth + 1, totals, stop);
    }
}

}  // namespace

bool ReadItemProperties(const std::string& path, CItemProperties* out) {
    struct statx st {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME,
                &st) != 0)
        return false;
    *out = CItemProperties();
    const char* name = GetFileNamePart(path.c_str());
    out->name = name ? name : path;
    out->folder = GetParentFolder(path);
    if (out->folder.empty() && !path.empty() && path.front() == '/')
        out->folder.assign(1, '/');
    out->isFolder = S_ISDIR(st.stx_mode);
    out->isLink = S_ISLNK(st.stx_mode);
    if (out->isLink) {
        std::vector<char> target(static_cast<std::size_t>(PATH_MAX) + 1);
        const ssize_t length = ::readlink(path.c_str(), target.data(), PATH_MAX);
        if (length >= 0)
            out->linkTarget.assign(target.data(), static_cast<std::size_t>(length));
    }
    out->size = out->isFolder ? 0 : st.stx_size;
    out->hasBirthTime = (st.stx_mask & STATX_BTIME) != 0;
    out->birthTime = out->hasBirthTime ? st.stx_btime.tv_sec : 0;
    out->modifiedTime = st.stx_mtime.tv_sec;
    out->accessedTime = st.stx_atime.tv_sec;
    out->changedTime = st.stx_ctime.tv_sec;
    out->owner = UserName(st.stx_uid);
    out->group = GroupName(st.stx_gid);
    out->mode = st.stx_mode;
    zb::FileInfo info;
    if (zb::GetFileInfo(path, &info))
        out->attributes = info.dwFileAttributes;
    return true;
}

std::string PermissionText(std::uint32_t mode) {
    std::string text;
    text += S_ISDIR(mode) ? 'd' : S_ISLNK(mode) ? 'l' : S_ISREG(mode) ? '-' : '?';
    const char* letters = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit)
        text += (mode & (0400u >> bit)) ? letters[bit] : '-';
    auto special = [&](std::size_t at, std::uint32_t flag, char set, char setOnly) {
        if (mode & flag)
            text[at] = text[at] == '-' ? setOnly : set;
    };
    special(3, S_ISUID, 's', 'S');
    special(6, S_ISGID, 's', 'S');
    special(9, S_ISVTX, 't', 'T');
    char octal[8];
    std::snprintf(octal, sizeof octal, "%04o", mode & 07777);
    return text + " (" + octal + ")";
}

CFolderTotals SumFolderContents(const std::string& path, const std::atomic<bool>& stop) {
    CFolderTotals totals;
    const zb::UniqueFd folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen()) {
        totals.complete = false;
        return totals;
    }
    SumAt(folder.Get(), 0, &totals, stop);
    return totals;
}
