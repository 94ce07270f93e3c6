#pragma once
// A test for any item at a path, and a fixture giving each test a home trash and an items folder.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "support/TempHome.h"

namespace zbtest {

// Whether anything, a dangling link as well, stands at `path`.
inline bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

class TrashHomeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_data = MakeTempDir("data");
        ::setenv("XDG_DATA_HOME", m_data.c_str(), 1);
        m_dir = MakeTempDir("items");
    }
    std::string Trash() const { return m_data + "/Trash"; }

    std::string m_data;
    std::string m_dir;
};

}  // namespace zbtest
