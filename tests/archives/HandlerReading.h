#pragma once
// Reading through a reader the way the tests compare it: a member to its end
// in fixed blocks, and the name of a single-member archive's member.

#include <gtest/gtest.h>

#include <string>

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
