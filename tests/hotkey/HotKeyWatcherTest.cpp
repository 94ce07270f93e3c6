// The real watcher on a private X server: key presses made with the XTest
// extension reach it as from a keyboard.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/engine/HotKeyWatcherControl.h"
#include "engine/FreshUserFolders.h"
#include "hotkey/XvfbServer.h"
#include "platform/Registry.h"
#include "platform/X11Windows.h"
#include "support/ChildProcess.h"
#include "support/TempHome.h"

namespace {

// Long enough for a loaded machine; the waits end as soon as their condition holds.
constexpr int kWaitMs = 15000;
constexpr const char* kWatcher = ZEMBROLT_HOTKEY_PATH;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int LineCount(const std::string& path) {
    const std::string text = ReadFile(path);
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// The watchers that are children of this process: those that run, and those
// that ended and were not collected.
struct WatcherChildren {
    int running = 0;
    int defunct = 0;
    friend bool operator==(const WatcherChildren&, const WatcherChildren&) = default;
    friend void PrintTo(const WatcherChildren& children, std::ostream* out) {
        *out << children.running << " running, " << children.defunct << " defunct";
    }
};

WatcherChildren CountWatcherChildren() {
    WatcherChildren children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        // "<pid> (<name>) <state> <parent> ..."
        const std::string stat = ReadFile(entry.path() / "stat");
        const std::size_t nameEnd = stat.rfind(')');
        if (nameEnd == std::string::npos || stat.find("(zbhotkey)") == std::string::npos)
            continue;
        std::istringstream rest(stat.substr(nameEnd + 1));
        char state = 0;
        pid_t parent = 0;
        rest >> state >> parent;
        if (parent == getpid())
            ++(state == 'Z' ? children.defunct : children.running);
    }
    return children;
}

class HotKeyWatcherTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_server = std::make_unique<zbtest::XvfbServer>(); }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override {
        if (!s_server->IsRunning())
            GTEST_SKIP() << "Xvfb is not installed";
        setenv("DISPLAY", s_server->DisplayName().c_str(), 1);
        m_display = XOpenDisplay(nullptr);
        ASSERT_NE(m_display, nullptr);
        // The main program is a script that notes each start; the hook
        // library is found beside it under the program's name.
        m_folder = zbtest::MakeTempDir("install");
        m_marker = m_folder + "/started";
        m_log = m_folder + "/watcher.log";
        const std::string stub = zbtest::WriteFile(
            m_folder + "/zbstub", "#!/bin/sh\necho started >> '" + m_marker + "'\n");
        std::filesystem::permissions(stub, std::filesystem::perms::owner_all);
        std::filesystem::create_symlink(ZEMBROLT_SHELLEXT_PATH, m_folder + "/libzbstub.so");
        CRegKey key;
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt"), ERROR_SUCCESS);
        ASSERT_EQ(key.SetString("Install Path", m_folder), ERROR_SUCCESS);
        ASSERT_EQ(key.SetString("AppName", "zbstub"), ERROR_SUCCESS);
        SetHotKey('G');
    }

    void TearDown() override {
        if (m_display == nullptr)
            return;
        zbtest::RunProcess({kWatcher, "-u"});
        for (const pid_t pid : m_watchers)
            zbtest::WaitForExit(pid, kWaitMs);
        XCloseDisplay(m_display);
    }

    static void SetHotKey(DWORD letter) {
        CRegKey key;
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt"), ERROR_SUCCESS);
        ASSERT_EQ(key.SetDWORD("Hot Key", letter), ERROR_SUCCESS);
    }

    bool WatcherWindowExists() {
        return zb::FindWindowByClassAndTitle(m_display, "ZBHOTKEY", "zbhotkey main wnd") != None;
    }

    static bool IsRunning(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }

    // Starts a watcher and waits until its window is there and it has tried
    // to grab the hot key (its trace, or its report that another program
    // holds the key).
    pid_t StartWatcher() {
        setenv("ZEMBROLT_TRACE", "1", 1);
        const pid_t pid = zbtest::StartProcess({kWatcher}, m_log);
        setenv("ZEMBROLT_TRACE", "0", 1);
        EXPECT_GT(pid, 0);
        m_watchers.push_back(pid);
        EXPECT_TRUE(zbtest::WaitUntil(kWaitMs, [&] {
            const std::string log = ReadFile(m_log);
            return WatcherWindowExists() && (log.find("Holding Super+") != std::string::npos ||
                                             log.find("held by another") != std::string::npos);
        })) << ReadFile(m_log);
        return pid;
    }

    void Key(KeySym symbol, bool down) {
        XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, symbol), down ? True : False,
                          CurrentTime);
        XSync(m_display, False);
    }

    void Tap(KeySym symbol) {
        Key(symbol, true);
        Key(symbol, false);
    }

    // Whether this client can grab `key` with `modifiers` on the root window
    // (no other client holds that combination); the grab is released again.
    bool CanGrab(KeyCode key, unsigned modifiers) {
        static int grabErrors = 0;
        grabErrors = 0;
        const auto previous = XSetErrorHandler([](Display*, XErrorEvent*) {
            ++grabErrors;
            return 0;
        });
        const Window root = DefaultRootWindow(m_display);
        XGrabKey(m_display, key, modifiers, root, False, GrabModeAsync, GrabModeAsync);
        XSync(m_display, False);
        XUngrabKey(m_display, key, modifiers, root);
        XSync(m_display, False);
        XSetErrorHandler(previous);
        return grabErrors == 0;
    }

    bool WaitForStarts(int count) {
        return zbtest::WaitUntil(kWaitMs, [&] { return LineCount(m_marker) >= count; });
    }

    static std::unique_ptr<zbtest::XvfbServer> s_server;
    zbtest::FreshUserFolders m_folders;
    Display* m_display = nullptr;
    std::string m_folder, m_marker, m_log;
    std::vector<pid_t> m_watchers;
};

std::unique_ptr<zbtest::XvfbServer> HotKeyWatcherTest::s_server;

TEST_F(HotKeyWatcherTest, SuperAndTheLetterStartTheProgramOncePerPress) {
    int xtestEvent = 0, xtestError = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(m_display, &xtestEvent, &xtestError, &major, &minor));
    const pid_t watcher = StartWatcher();

    // Held down: the letter repeats, the program starts once.
    Key(XK_Super_L, true);
    Key(XK_g, true);
    Key(XK_g, true);
    Key(XK_g, true);
    Key(XK_g, false);
    Key(XK_Super_L, false);
    ASSERT_TRUE(WaitForStarts(1)) << ReadFile(m_log);

    // With Caps Lock on.
    Tap(XK_Caps_Lock);
    Key(XK_Super_L, true);
    Tap(XK_g);
    Key(XK_Super_L, false);
    Tap(XK_Caps_Lock);
    ASSERT_TRUE(WaitForStarts(2)) << ReadFile(m_log);

    // Another letter, or the letter alone, starts nothing.
    Tap(XK_g);
    Key(XK_Super_L, true);
    Tap(XK_f);
    Key(XK_Super_L, false);

    const zbtest::ProcessResult close = zbtest::RunProcess({kWatcher, "-u"});
    EXPECT_EQ(close.exitCode, 0) << close.output;
    EXPECT_EQ(zbtest::WaitForExit(watcher, kWaitMs), 0);
    EXPECT_FALSE(WatcherWindowExists());
    EXPECT_EQ(LineCount(m_marker), 2);
}

TEST_F(HotKeyWatcherTest, AKeyPartlyTakenByAnotherProgramIsLeftWholeAndReported) {
    // The other program holds Super+H, but not with Caps Lock or Num Lock on.
    const KeyCode h = XKeysymToKeycode(m_display, XK_h);
    const Window root = DefaultRootWindow(m_display);
    XGrabKey(m_display, h, Mod4Mask, root, False, GrabModeAsync, GrabModeAsync);
    XSync(m_display, False);
    SetHotKey('H');
    const pid_t watcher = StartWatcher();
    EXPECT_NE(ReadFile(m_log).find(
                  "Super+H is held by another program; choose another letter in Tools > Option"),
              std::string::npos)
        << ReadFile(m_log);
    EXPECT_TRUE(IsRunning(watcher));
    EXPECT_TRUE(WatcherWindowExists());
    // The watcher holds none of the lock variants either.
    const unsigned numLock = XkbKeysymToModifiers(m_display, XK_Num_Lock);
    ASSERT_NE(numLock, 0u);
    for (const unsigned locks : {unsigned{LockMask}, numLock, LockMask | numLock})
        EXPECT_TRUE(CanGrab(h, Mod4Mask | locks)) << locks;
    XUngrabKey(m_display, h, Mod4Mask, root);
    XSync(m_display, False);
}

TEST_F(HotKeyWatcherTest, AfterTheProgramMovedTheLibraryBesideTheWatcherIsLoaded) {
    CRegKey key;
    ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString("Install Path", m_folder + "/moved away"), ERROR_SUCCESS);
    const pid_t watcher = StartWatcher();
    EXPECT_NE(ReadFile(m_log).find("Holding Super+G"), std::string::npos) << ReadFile(m_log);
    EXPECT_TRUE(IsRunning(watcher));
}

TEST_F(HotKeyWatcherTest, ASecondWatcherEndsAtOnce) {
    const pid_t first = StartWatcher();
    const pid_t second = zbtest::StartProcess({kWatcher}, m_log);
    EXPECT_EQ(zbtest::WaitForExit(second, kWaitMs), 0);
    EXPECT_TRUE(IsRunning(first));
}

TEST_F(HotKeyWatcherTest, DashUEndsTheWatcherAlsoWhenTheHotKeyIsOff) {
    const pid_t watcher = StartWatcher();
    SetHotKey(0);
    // With the hot key off a new watcher does not start ...
    EXPECT_EQ(zbtest::RunProcess({kWatcher}).exitCode, 0);
    EXPECT_TRUE(IsRunning(watcher));
    // ... and "-u" still ends the running one.
    EXPECT_EQ(zbtest::RunProcess({kWatcher, "-u"}).exitCode, 0);
    EXPECT_EQ(zbtest::WaitForExit(watcher, kWaitMs), 0);
    EXPECT_FALSE(WatcherWindowExists());
}

TEST_F(HotKeyWatcherTest, SetHotKeyReleasesAndTakesTheKeyAgain) {
    StartWatcher();
    const Window window = zb::FindWindowByClassAndTitle(m_display, "ZBHOTKEY", "zbhotkey main wnd");
    const auto sendSetHotKey = [&](long letter) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(m_display, "WUM_SETHOTKEY", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = letter;
        XSendEvent(m_display, window, False, NoEventMask, &event);
        XSync(m_display, False);
    };
    const auto count = [&](const char* text) {
        const std::string log = ReadFile(m_log);
        int found = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++found;
        return found;
    };

    // Off: the watcher runs on without the key, which another client can now take.
    sendSetHotKey(0);
    ASSERT_TRUE(zbtest::WaitUntil(kWaitMs, [&] { return count("StopHook") == 1; }))
        << ReadFile(m_log);
    EXPECT_TRUE(CanGrab(XKeysymToKeycode(m_display, XK_g), Mod4Mask));

    // On again: the library is loaded anew and the key held again.
    sendSetHotKey('G');
    ASSERT_TRUE(zbtest::WaitUntil(kWaitMs, [&] { return count("Holding Super+G") == 2; }))
        << ReadFile(m_log);
    EXPECT_EQ(count("DLL_PROCESS_DETACH"), 1);
    Key(XK_Super_L, true);
    Tap(XK_g);
    Key(XK_Super_L, false);
    EXPECT_TRUE(WaitForStarts(1)) << ReadFile(m_log);
}

TEST_F(HotKeyWatcherTest, TheProgramCollectsEachWatcherItClosed) {
    const std::string folder = std::filesystem::path(kWatcher).parent_path();
    // Two changes of the letter, each through a control of its own, as the
    // Option command makes them.
    for (const BYTE letter : {BYTE{'H'}, BYTE{'J'}}) {
        SetHotKey(letter);
        CX11HotKeyWatcherControl control(folder);
        RestartHotKeyProgram(letter, control);
        ASSERT_TRUE(zbtest::WaitUntil(kWaitMs, [&] { return WatcherWindowExists(); }));
    }
    // The first watcher was closed and has ended: nothing of it stays.
    ASSERT_TRUE(zbtest::WaitUntil(kWaitMs, [] { return CountWatcherChildren().running == 1; }));
    EXPECT_EQ(CountWatcherChildren(), (WatcherChildren{1, 0}));

    // "Disabled" closes the watcher, which is collected before the command ends.
    SetHotKey(0);
    CX11HotKeyWatcherControl control(folder);
    RestartHotKeyProgram(0, control);
    EXPECT_EQ(CountWatcherChildren(), (WatcherChildren{0, 0}));
    EXPECT_FALSE(WatcherWindowExists());
}

TEST(HotKeyWatcherWithoutDisplayTest, SaysSoAndEndsWithZero) {
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    unsetenv("DISPLAY");
    const zbtest::ProcessResult run = zbtest::RunProcess({kWatcher});
    if (!saved.empty())
        setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("no X display"), std::string::npos) << run.output;
}

}  // namespace
