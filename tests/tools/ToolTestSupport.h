#pragma once
// Helpers of the file tools' tests: files with given modes and times, the
// log lines written while a test runs, whether the temporary folder's file
// system keeps user extended attributes, and records of files made as the
// tools receive them.

#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "support/TempHome.h"
#include "tools/ToolRecords.h"

namespace zbtest {

// Collects the log lines (colour and text) while it lives.
class LogCapture {
public:
    LogCapture() {
        SetLogSink([this](COLORREF colour, const std::string& line) {
            std::lock_guard guard(m_lock);
            lines.push_back({colour, line});
        });
    }
    ~LogCapture() { SetLogSink({}); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    struct Line {
        COLORREF colour;
        std::string text;
    };
    // Lines in red that hold `part`.
    int RedLinesWith(const std::string& part) {
        std::lock_guard guard(m_lock);
        int count = 0;
        for (const Line& line : lines) {
            if (line.colour == RGB(255, 0, 0) && line.text.find(part) != std::string::npos)
                ++count;
        }
        return count;
    }

    std::vector<Line> lines;

private:
    std::mutex m_lock;
};

inline struct stat StatOf(const std::string& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    return st;
}

// Whether `folder`'s file system takes user.* attributes.
inline bool UserXattrsWork(const std::string& folder) {
    const std::string probe = WriteFile(folder + "/.xattr-probe", "x");
    const bool ok = setxattr(probe.c_str(), "user.zbprobe", "1", 1, 0) == 0;
    unlink(probe.c_str());
    return ok;
}

inline std::string XattrOf(const std::string& path, const char* name = "user.DOSATTRIB") {
    char buffer[512];
    const ssize_t n = lgetxattr(path.c_str(), name, buffer, sizeof buffer);
    return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

// Runs `check` in a child process as the user nobody (65534), after opening
// the temporary folders from `folder` up to the temporary root for everyone;
// true when it returned true. Needs root (callers skip otherwise).
inline bool RunAsNobody(const std::string& folder, const std::function<bool()>& check) {
    for (std::string p = folder; p.size() >= TempRoot().size(); p = p.substr(0, p.rfind('/')))
        chmod(p.c_str(), 0755);
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A test with a temporary folder `m_root` and the records of the files it
// hands to a tool, kept alive for the whole test.
class FileRecordTest : public ::testing::Test {
protected:
    void SetUp() override { m_root = MakeTempDir("records"); }

    CResultItem* Record(const std::string& path) {
        auto record = std::make_unique<CResultItem>();
        EXPECT_EQ(m_maker.MakeFileRecord(path, *record), CToolRecordMaker::MADE) << path;
        m_records.push_back(std::move(record));
        return m_records.back().get();
    }
    std::vector<CResultItem*> Records(const std::vector<std::string>& paths) {
        std::vector<CResultItem*> list;
        for (const std::string& path : paths)
            list.push_back(Record(path));
        return list;
    }

    std::string m_root;
    CToolRecordMaker m_maker;
    std::vector<std::unique_ptr<CResultItem>> m_records;
};

}  // namespace zbtest
