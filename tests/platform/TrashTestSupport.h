#pragma once
// A fixture giving each test a home trash and an items folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/TempHome.h"

namespace zbtest {

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
