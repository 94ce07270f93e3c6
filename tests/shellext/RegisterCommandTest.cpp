// zbregister, the installer's registration command, run as the user runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/FreshUserFolders.h"
#include "platform/DesktopIntegration.h"
#include "platform/Registry.h"
#include "support/ChildProcess.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kCommand = ZEMBROLT_REGISTER_PATH;
constexpr const char* kClassKey = "CLSID\\{5B3E9A14-C2D7-4F60-9E81-3A7D0C4B2F95}";

bool ClassRegistered() {
    CRegKey key;
    return key.Open(HKEY_CLASSES_ROOT, kClassKey) == ERROR_SUCCESS;
}

class RegisterCommandTest : public ::testing::Test {
protected:
    zbtest::FreshUserFolders m_folders;
};

TEST_F(RegisterCommandTest, RegistersAndUnregistersTheLibraryBesideIt) {
    const zbtest::ProcessResult registered = zbtest::RunProcess({kCommand});
    EXPECT_EQ(registered.exitCode, 0) << registered.output;
    EXPECT_NE(registered.output.find("DllRegisterServer in "), std::string::npos);
    EXPECT_TRUE(ClassRegistered());
    EXPECT_TRUE(fs::exists(zb::UtilityLauncherPath()));

    // The program's first start added the file managers' actions.
    ASSERT_TRUE(zb::RegisterFindActions("/opt/zembrolt/zembrolt", {"zip"}));
    const zbtest::ProcessResult removed = zbtest::RunProcess({kCommand, "-u"});
    EXPECT_EQ(removed.exitCode, 0) << removed.output;
    EXPECT_FALSE(ClassRegistered());
    for (const std::string& path :
         {zb::UtilityLauncherPath(), zb::FindServiceMenuPath(), zb::FindScriptPath()})
        EXPECT_FALSE(fs::exists(path)) << path;

    // Nothing is left to remove: that is said, and the exit code says it too.
    const zbtest::ProcessResult again = zbtest::RunProcess({kCommand, "-u"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.output.find("failed (0x80040201): some of it was not registered"),
              std::string::npos)
        << again.output;
}

TEST_F(RegisterCommandTest, RefusesCommandLinesAndLibrariesItCannotUse) {
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        const char* said;
    } cases[] = {
        {{"-x"}, 2, "usage: zbregister [-u] [library]"},
        {{"-u", "-u"}, 2, "usage"},
        {{"a.so", "b.so"}, 2, "usage"},
        {{""}, 2, "usage"},
        {{"/nonexistent/libzembrolt.so"}, 1, "cannot load /nonexistent/libzembrolt.so"},
        // A bare name is a file in the current folder, not a system library.
        {{"-u", "libc.so.6"}, 1, "cannot load ./libc.so.6"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {kCommand};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const zbtest::ProcessResult result = zbtest::RunProcess(argv);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
        EXPECT_NE(result.output.find(c.said), std::string::npos) << result.output;
    }
    EXPECT_FALSE(ClassRegistered());
}

}  // namespace
