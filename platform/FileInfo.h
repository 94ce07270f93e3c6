#pragma once
// What a folder listing reports about one file: size, the three times as
// FILETIME and the attribute word, read with statx.
//
// The attribute word on Linux:
//   FILE_ATTRIBUTE_DIRECTORY     a directory
//   FILE_ATTRIBUTE_REPARSE_POINT a symbolic link (the link itself; a link is
//                                never reported as a directory unless the
//                                caller asks to follow links)
//   FILE_ATTRIBUTE_HIDDEN        the name starts with '.', or is listed in the
//                                folder's ".hidden" file, or user.DOSATTRIB
//                                has the hidden bit
//   FILE_ATTRIBUTE_READONLY      the owner has no write permission
//   FILE_ATTRIBUTE_SYSTEM,
//   FILE_ATTRIBUTE_ARCHIVE       from user.DOSATTRIB
//   FILE_ATTRIBUTE_NORMAL        none of the above

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "platform/WinTypes.h"

namespace zb {

struct FileInfo {
    // Bytes of a file; 0 for folders and symbolic links, as listings report them.
    std::uint64_t size = 0;
    // Birth time where the file system keeps one, otherwise the last write time.
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD dwFileAttributes = 0;
    // The POSIX file type and permission bits (st_mode).
    std::uint32_t mode = 0;
    // Identity of the file: the same device and inode is the same file.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    // False when the bits of user.DOSATTRIB were left for later (DosBits::Later):
    // the hidden bit then comes from the name and ".hidden" alone, and the
    // system and archive bits are missing.
    bool dosBitsRead = true;
};

enum class LinkMode {
    NoFollow,  // report a symbolic link itself (lstat)
    Follow,    // report what the link points to (stat)
};

// Whether the hidden, system and archive bits of user.DOSATTRIB are read with
// the rest, or left for later (ReadDosAttributes reads them). Reading them
// costs an extended-attribute call by path per file, which a walk that shows
// no attributes does without.
enum class DosBits {
    Read,
    Later,
};

// The names listed in one folder's ".hidden" file, one name per line.
class HiddenNames {
public:
    // Reads ".hidden" in the open folder `dirFd`; a missing or unreadable
    // file (or one that is not a regular file) gives an empty list.
    static HiddenNames Load(int dirFd);
    static HiddenNames Load(const std::string& folderPath);

    bool Contains(std::string_view name) const { return m_names.find(name) != m_names.end(); }
    bool Empty() const { return m_names.empty(); }

private:
    std::set<std::string, std::less<>> m_names;
};

// Parses user.DOSATTRIB: the text form "0x20" (optionally followed by a NUL
// and binary data, as Samba writes it) or a plain decimal number. Returns
// the hidden, system and archive bits it holds; 0 when it cannot be parsed.
DWORD ParseDosAttrib(std::string_view value);
// The whole attribute word of the text part of user.DOSATTRIB (every bit it
// holds); false when the text is not such a number.
bool ParseDosAttribText(std::string_view value, DWORD* attributes);

// Information on `path`. The hidden test uses the name and the ".hidden"
// file of the folder holding it. False (errno set) when it cannot be read.
bool GetFileInfo(const std::string& path, FileInfo* out, LinkMode links = LinkMode::NoFollow,
                 DosBits dos = DosBits::Read);

// The same for several files of one folder read by their paths: `hidden` is
// the ".hidden" list of the folder holding `path`, loaded once by the caller.
bool GetFileInfo(const std::string& path, const HiddenNames& hidden, FileInfo* out,
                 LinkMode links = LinkMode::NoFollow, DosBits dos = DosBits::Read);

// Information on `name` inside the open folder `dirFd`, for walks that list
// a folder: `hidden` is that folder's ".hidden" list loaded once (may be
// null: no list).
bool GetFileInfoAt(int dirFd, const char* name, const HiddenNames* hidden, FileInfo* out,
                   LinkMode links = LinkMode::NoFollow, DosBits dos = DosBits::Read);

// The hidden, system and archive bits that user.DOSATTRIB of `path` holds
// (the link itself for a symbolic link, which carries none); 0 when it has
// none or cannot be read.
DWORD ReadDosAttributes(const std::string& path);

// The attribute word of `path` (the link itself for a symbolic link), or
// INVALID_FILE_ATTRIBUTES when it cannot be read.
DWORD GetFileAttributes(const std::string& path);

}  // namespace zb
