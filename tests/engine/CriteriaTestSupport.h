#pragma once
// A fixture for the criteria test: the time zone fixed to Central European
// time, the clock fixed through the test's clock injection, and records built
// directly from their fields.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "app/engine/CriteriaTest.h"
#include "app/engine/FileNamePattern.h"
#include "app/engine/ResultItem.h"
#include "app/engine/SearchSnapshot.h"
#include "platform/FileTime.h"
#include "platform/shell/ShellApi.h"
#include "support/ScopedTimeZone.h"
#include "support/TempHome.h"

namespace zbtest {

// The absolute item list of a file-system path, parsed from the desktop.
inline PidlPtr ListOfPath(const std::string& path) {
    zb::ComPtr<IShellFolder> desktop;
    EXPECT_EQ(SHGetDesktopFolder(&desktop), S_OK);
    LPITEMIDLIST list = nullptr;
    EXPECT_EQ(desktop->ParseDisplayName(path, nullptr, &list, nullptr), S_OK);
    return PidlPtr(list);
}

// A UTC FILETIME of a local calendar time, plus `ticks` 100-ns units.
inline FILETIME LocalFileTime(int year, int month, int day, int hour, int minute, int second,
                              std::uint64_t ticks = 0) {
    FILETIME time;
    EXPECT_TRUE(CTimeToFileTime(CTime(year, month, day, hour, minute, second), &time));
    return FILETIME::FromValue(time.Value() + ticks);
}

class CriteriaTestFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // Wednesday 15 May 2024, 12:00 local time (10:00 UTC).
        m_now = CTime(2024, 5, 15, 12, 0, 0).GetTime();
        m_snapshot.criteria.Reset();
        m_folder = MakeTempDir("criteria");
        m_file = WriteFile(m_folder + "/file.txt", "x");
    }

    // Splits and prepares name patterns as Find does.
    void SetNamePatterns(const std::string& text) {
        CSearchNameSpec spec(text);
        spec.Parse(m_snapshot.patterns);
        PrepareNamePatterns(m_snapshot.patterns,
                            m_snapshot.criteria.m_GeneralOptionData.m_bCaseSensitive);
    }

    void SetNow(int year, int month, int day, int hour, int minute, int second) {
        m_now = CTime(year, month, day, hour, minute, second).GetTime();
    }

    // A plain file record on the temporary file, all three times `time`.
    CResultItem FileRecord(const std::string& name, FILETIME time = {}) {
        CResultItem record;
        record.m_sName = name;
        record.SetFullPidl(ListOfPath(m_file));
        record.m_dwAttributes = FILE_ATTRIBUTE_ARCHIVE;
        record.m_nSize = 1;
        record.m_ftCreation = record.m_ftLastAccess = record.m_ftLastWrite = time;
        return record;
    }

    CResultItem FolderRecord(const std::string& name) {
        CResultItem record;
        record.m_sName = name;
        record.SetFullPidl(ListOfPath(m_folder));
        record.m_dwFlags = RIF_FOLDER;
        record.m_dwAttributes = FILE_ATTRIBUTE_DIRECTORY;
        return record;
    }

    BOOL Match(const CResultItem& record) {
        CCriteriaTest test(m_snapshot, m_stop, [this] { return m_now; });
        return test.MatchCriteria(record);
    }

    CSearchSnapshot m_snapshot;
    std::atomic<bool> m_stop{false};
    std::int64_t m_now = 0;
    std::string m_folder;
    std::string m_file;

private:
    // Central European time with its daylight-saving rule.
    zbtest::ScopedTimeZone m_zone{"CET-1CEST,M3.5.0,M10.5.0/3"};
};

}  // namespace zbtest
