// Runs every registered window test class under the offscreen platform, with
// HOME, XDG_* and TMPDIR pointed at a fresh temporary folder.
#include <QApplication>
#include <QDir>
#include <QTest>

#include <cstdlib>
#include <filesystem>

#include "gui/GuiTestRegistry.h"

namespace zbtest {

std::vector<GuiTestFactory>& GuiTests() {
    static std::vector<GuiTestFactory> tests;
    return tests;
}

}  // namespace zbtest

int main(int argc, char** argv) {
    char pattern[] = "/tmp/zembrolt-gui-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made)
        return 2;
    const std::string root = made;
    for (const char* sub : {"home", "config", "data", "cache", "runtime", "tmp"})
        std::filesystem::create_directories(root + "/" + sub);
    std::filesystem::permissions(root + "/runtime", std::filesystem::perms::owner_all);
    setenv("HOME", (root + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root + "/cache").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
    setenv("TMPDIR", (root + "/tmp").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    QApplication app(argc, argv);
    int failures = 0;
    // ZB_GUI_TEST_CLASS runs only the test class of that name.
    const QByteArray only = qgetenv("ZB_GUI_TEST_CLASS");
    for (const zbtest::GuiTestFactory& make : zbtest::GuiTests()) {
        std::unique_ptr<QObject> test = make();
        if (!only.isEmpty() && only != test->metaObject()->className())
            continue;
        failures += QTest::qExec(test.get(), argc, argv) != 0 ? 1 : 0;
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return failures == 0 ? 0 : 1;
}
