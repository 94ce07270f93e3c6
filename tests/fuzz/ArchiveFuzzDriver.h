#pragma once
// The body of an archive reader's fuzz target: the input is written to one
// fixed temporary file per process, opened with the reader, every member is
// listed, looked up by name and read to its end, the folder walks run over
// the table, and the reader is closed. A reader must survive any input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzTempFile.h"
#include "readers/archives/ArchiveHandler.h"

namespace zbfuzz {

// Decompressed bytes read per input at most, so that a small input that
// expands enormously still ends quickly.
constexpr std::int64_t kReadBudget = 64ll << 20;
// Folders whose walks run per input at most.
constexpr int kMaxFolderWalks = 64;

// Reads member i to its end (or until the budget is spent).
inline void ReadMember(CArchiveHandler& handler, int i, std::int64_t* budget) {
    if (!handler.OpenEntry(i)) {
        return;
    }
    std::vector<char> buffer(static_cast<std::size_t>(handler.GetBlockSize()));
    while (*budget > 0) {
        const int n = handler.Read(i, buffer.data(), static_cast<int>(buffer.size()));
        if (n <= 0) {
            break;
        }
        *budget -= n;
        handler.GetBytesRead(i);
    }
    handler.CloseEntry(i);
}

inline void Walk(const CArchiveHandler& handler, const std::string& folder, BOOL subtree) {
    for (int i = handler.NextChild(handler.FindFolder(folder), folder, subtree); i != -1;
         i = handler.NextChild(i, folder, subtree)) {
        DWORD attributes = 0;
        CArchiveEntryInfo info;
        handler.GetAttributes(i, &attributes);
        handler.GetFileInfo(i, &info);
    }
}

inline int FuzzArchiveHandler(CArchiveHandler& handler, const char* extension,
                              const std::uint8_t* data, std::size_t size) {
    const std::string& path = FuzzFilePath(extension);
    if (!WriteFuzzFile(path, data, size)) {
        return 0;
    }
    handler.Init();
    if (!handler.Open(path)) {
        return 0;
    }
    std::int64_t budget = kReadBudget;
    std::vector<std::string> folders;
    for (int i = handler.FirstFile(); i != -1; i = handler.NextFile(i)) {
        CArchiveEntryInfo info;
        std::string name;
        if (!handler.GetFileInfo(i, &info) || !handler.GetName(i, &name)) {
            continue;
        }
        handler.GetEntrySize(i);
        handler.FindEntry(name);
        const int found = handler.OpenEntryByName(name);
        if (found >= 0) {
            handler.FindOpenEntry(name);
            handler.CloseEntry(found);
        }
        ReadMember(handler, i, &budget);
        const std::size_t slash = name.rfind('\\');
        if (slash != std::string::npos && folders.size() < kMaxFolderWalks) {
            folders.push_back(name.substr(0, slash));
        }
    }
    handler.FindEntry("missing\\name");
    Walk(handler, "", FALSE);
    Walk(handler, "", TRUE);
    for (const std::string& folder : folders) {
        BOOL has = FALSE;
        handler.HasSubfolders(folder, &has);
        Walk(handler, folder, FALSE);
    }
    handler.Close();
    return 0;
}

}  // namespace zbfuzz
