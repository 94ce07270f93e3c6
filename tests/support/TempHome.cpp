#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zbtest {
namespace {

std::string& Root() {
    static std::string root;
    return root;
}

class TempHomeEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        char pattern[] = "/tmp/zembrolt-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        ASSERT_NE(made, nullptr);
        Root() = made;
        const std::string root = Root();
        for (const char* sub : {"home", "config", "data", "cache", "runtime", "tmp"}) {
            std::filesystem::create_directories(root + "/" + sub);
        }
        std::filesystem::permissions(root + "/runtime", std::filesystem::perms::owner_all);
        setenv("HOME", (root + "/home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (root + "/cache").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
        setenv("TMPDIR", (root + "/tmp").c_str(), 1);
    }
    void TearDown() override {
        std::error_code ec;
        if (!Root().empty())
            std::filesystem::remove_all(Root(), ec);
    }
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new TempHomeEnvironment);

}  // namespace

const std::string& TempRoot() {
    return Root();
}

std::string MakeTempDir(const std::string& hint) {
    static std::atomic<int> counter{0};
    std::string dir = Root() + "/tmp/" + hint + "-" + std::to_string(++counter);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

}  // namespace zbtest
