#pragma once
// Reading through a reader the way the tests compare it: a member to its end
// in fixed blocks, the name of a single-member archive's member, and the
// names that listings and walks report.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers/archives/ArchiveHandler.h"

namespace zbtest {

// Member `index` read to its end in blocks of `block` bytes; "<failed>" when
// a read fails.
inline std::string ReadAll(CArchiveHandler& handler, int index = 0, int block = 4096) {
    std::string out;
    std::string buffer(static_cast<std::size_t>(block), '\0');
    for (;;) {
        const int n = handler.Read(index, buffer.data(), block);
        if (n < 0)
            return "<failed>";
        if (n == 0)
            return out;
        out.append(buffer, 0, static_cast<std::size_t>(n));
    }
}

// Member `name` opened, read to its end in blocks of `block` bytes and
// closed; "<not opened>" when it does not open, "<failed>" when a read fails.
inline std::string ReadMember(CArchiveHandler& handler, const std::string& name, int block = 4096) {
    const int i = handler.OpenEntryByName(name);
    if (i < 0)
        return "<not opened>";
    std::string out = ReadAll(handler, i, block);
    handler.CloseEntry(i);
    return out;
}

// The names FirstFile/NextFile report (GetName's, folders without "").
inline std::vector<std::string> ListedFiles(const CArchiveHandler& handler) {
    std::vector<std::string> names;
    for (int i = handler.FirstFile(); i != -1; i = handler.NextFile(i)) {
        std::string name;
        EXPECT_TRUE(handler.GetName(i, &name));
        names.push_back(name);
    }
    return names;
}

// The inner paths a walk of `folder` reports (folders with their "").
inline std::vector<std::string> WalkNames(const CArchiveHandler& handler, const std::string& folder,
                                          BOOL subtree) {
    std::vector<std::string> names;
    for (int i = handler.NextChild(handler.FindFolder(folder), folder, subtree); i != -1;
         i = handler.NextChild(i, folder, subtree)) {
        CArchiveEntryInfo info;
        EXPECT_TRUE(handler.GetFileInfo(i, &info));
        names.push_back(info.m_strName);
    }
    return names;
}

// Opens `path` and gives member 0's name (its entry information names it
// the same); "<closed>" when it does not open.
inline std::string MemberName(CArchiveHandler& handler, const std::string& path) {
    if (!handler.Open(path))
        return "<closed>";
    std::string name;
    EXPECT_TRUE(handler.GetName(0, &name));
    CArchiveEntryInfo info;
    EXPECT_TRUE(handler.GetFileInfo(0, &info));
    EXPECT_EQ(info.m_strName, name);
    return name;
}

}  // namespace zbtest
