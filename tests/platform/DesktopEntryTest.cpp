#include "platform/DesktopEntry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/TempHome.h"

namespace {

using Argv = std::vector<std::string>;

zb::DesktopApplication App(std::string exec) {
    zb::DesktopApplication app;
    app.name = "My Viewer";
    app.path = "/apps/viewer.desktop";
    app.icon = "viewer";
    app.exec = std::move(exec);
    return app;
}

std::vector<Argv> Expand(const std::string& exec, const std::vector<std::string>& files) {
    std::vector<Argv> commands;
    EXPECT_TRUE(zb::ExpandDesktopExec(exec, App(exec), files, &commands)) << exec;
    return commands;
}

TEST(DesktopExecTest, QuotingAndShellCharactersGiveTheExactVector) {
    const std::vector<std::string> files{"/tmp/a b/it's $(rm -rf ~) `x`.txt"};
    EXPECT_EQ(Expand(R"(viewer --title "a \"b\" \$HOME \\ \`c\`" %f)", files),
              (std::vector<Argv>{{"viewer", "--title", R"(a "b" $HOME \ `c`)", files[0]}}));
    // An unquoted "$(...)" or backtick is handed over as text, never run.
    EXPECT_EQ(Expand("sh -c $(date) `id` %F", files),
              (std::vector<Argv>{{"sh", "-c", "$(date)", "`id`", files[0]}}));
    // Percent: %% is one '%'; inside quotes other codes stay.
    EXPECT_EQ(
        Expand(R"(tool 100%% "%f %%" --name=%c %k)", {}),
        (std::vector<Argv>{{"tool", "100%", "%f %", "--name=My Viewer", "/apps/viewer.desktop"}}));
    // The value's own escapes come first: \s is a blank inside one argument.
    EXPECT_EQ(Expand(R"("my\sprog" %i %U)", {"/x y"}),
              (std::vector<Argv>{{"my prog", "--icon", "viewer", "file:///x%20y"}}));
}

TEST(DesktopExecTest, SingleFileCodesRunOnceAFileAndDeprecatedCodesGo) {
    EXPECT_EQ(Expand("edit --file=%f %d", {"/a", "/b"}),
              (std::vector<Argv>{{"edit", "--file=/a"}, {"edit", "--file=/b"}}));
    EXPECT_EQ(Expand("edit %u", {}), (std::vector<Argv>{{"edit"}}));
    std::vector<Argv> commands;
    EXPECT_FALSE(zb::ExpandDesktopExec(R"(edit "open)", App(""), {}, &commands));
    EXPECT_FALSE(zb::ExpandDesktopExec("edit --all=%F", App(""), {"/a"}, &commands));
    EXPECT_FALSE(zb::ExpandDesktopExec("edit %z", App(""), {}, &commands));
    EXPECT_FALSE(zb::ExpandDesktopExec("", App(""), {}, &commands));
}

class DesktopApplicationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_system = zbtest::MakeTempDir("share");
        m_user = std::getenv("XDG_DATA_HOME");
        m_config = std::getenv("XDG_CONFIG_HOME");
        ::setenv("XDG_DATA_DIRS", m_system.c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", zbtest::MakeTempDir("etc").c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("XDG_DATA_DIRS");
        ::unsetenv("XDG_CONFIG_DIRS");
        zbtest::WriteFile(m_config + "/mimeapps.list", "");
    }
    void Entry(const std::string& root, const std::string& file, const std::string& name,
               const std::string& types, const std::string& extra = "") {
        zbtest::WriteFile(root + "/applications/" + file,
                          "[Desktop Entry]\nType=Application\nName=" + name +
                              "\nExec=/bin/true %f\nMimeType=" + types + "\n" + extra);
    }
    static std::vector<std::string> Ids(const std::vector<zb::DesktopApplication>& apps) {
        std::vector<std::string> ids;
        for (const auto& app : apps)
            ids.push_back(app.id);
        return ids;
    }
    std::string m_system;
    std::string m_user;
    std::string m_config;
};

TEST_F(DesktopApplicationsTest, OrderFollowsMimeAppsAndEveryFileMustBeHandled) {
    Entry(m_system, "alpha.desktop", "Alpha", "text/plain;image/png;");
    Entry(m_system, "beta.desktop", "Beta", "text/plain;");
    Entry(m_system, "kde/gamma.desktop", "Gamma", "text/plain;image/png;");
    Entry(m_system, "hidden.desktop", "Hidden", "text/plain;", "Hidden=true\n");
    Entry(m_system, "term.desktop", "Term", "text/plain;", "Terminal=true\n");
    Entry(m_system, "gone.desktop", "Gone", "text/plain;", "TryExec=/no/such/program\n");
    // The user's own entry of the same id hides the system's.
    Entry(m_user, "beta.desktop", "Beta Mine", "text/plain;");
    zbtest::WriteFile(m_config + "/mimeapps.list",
                      "[Default Applications]\ntext/plain=kde-gamma.desktop;missing.desktop\n"
                      "[Removed Associations]\ntext/plain=alpha.desktop;\n");

    const auto plain = zb::FindApplicationsForTypes({{"text/plain"}});
    EXPECT_EQ(Ids(plain), (std::vector<std::string>{"kde-gamma.desktop", "beta.desktop"}));
    EXPECT_EQ(plain[1].name, "Beta Mine");
    // A C source derives from text/plain; a PNG picture adds its own.
    EXPECT_EQ(Ids(zb::FindApplicationsForTypes({{"text/x-csrc", "text/plain"}, {"image/png"}})),
              std::vector<std::string>{"kde-gamma.desktop"});
    EXPECT_TRUE(zb::FindApplicationsForTypes({{"application/x-none"}}).empty());
}

TEST(DesktopProgramTest, FindsProgramsInPath) {
    EXPECT_EQ(zb::FindProgram("/bin/sh"), "/bin/sh");
    EXPECT_FALSE(zb::FindProgram("sh").empty());
    EXPECT_TRUE(zb::FindProgram("no-such-program-zb").empty());

    // Along PATH only an executable regular file counts: a folder or a file
    // without the execute bit is passed over for one further on.
    const std::string first = zbtest::MakeTempDir("first");
    const std::string second = zbtest::MakeTempDir("second");
    ASSERT_EQ(::mkdir((first + "/tool-a").c_str(), 0755), 0);
    zbtest::WriteFile(first + "/tool-b", "#!/bin/sh\n");
    for (const char* name : {"/tool-a", "/tool-b"}) {
        zbtest::WriteFile(second + name, "#!/bin/sh\n");
        ASSERT_EQ(::chmod((second + name).c_str(), 0755), 0);
    }
    const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (first + ":" + second).c_str(), 1);
    EXPECT_EQ(zb::FindProgram("tool-a"), second + "/tool-a");
    EXPECT_EQ(zb::FindProgram("tool-b"), second + "/tool-b");
    ::setenv("PATH", saved.c_str(), 1);
}

}  // namespace
