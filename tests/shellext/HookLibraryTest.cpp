#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "engine/FreshUserFolders.h"
#include "platform/Registry.h"
#include "shellext/ShellExtLibrary.h"
#include "support/TempHome.h"

namespace {

// The program key with the given values; an empty text is left out.
void WriteProgramKey(const std::string& installPath, const std::string& appName) {
    CRegKey key;
    ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt"), ERROR_SUCCESS);
    if (!installPath.empty()) {
        ASSERT_EQ(key.SetString("Install Path", installPath), ERROR_SUCCESS);
    }
    if (!appName.empty()) {
        ASSERT_EQ(key.SetString("AppName", appName), ERROR_SUCCESS);
    }
}

void WriteHotKey(DWORD value) {
    CRegKey key;
    ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDWORD("Hot Key", value), ERROR_SUCCESS);
}

// A key-down of `key` with the given keys held.
MSG KeyDown(BYTE key, std::initializer_list<BYTE> held, bool repeated = false) {
    MSG msg;
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = repeated ? KF_REPEAT_BIT : 0;
    msg.keyState[key] = 0x80;
    for (const BYTE down : held)
        msg.keyState[down] = 0x80;
    return msg;
}

class HookLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_library.IsLoaded()) << dlerror();
        m_folder = zbtest::MakeTempDir("install");
        m_marker = m_folder + "/started";
        WriteStub("zembrolt");
        WriteProgramKey(m_folder, "zembrolt");
        ASSERT_TRUE(m_library.Reload());
    }

    // A main program that notes each start in `marker`.
    static void WriteStubAt(const std::string& path, const std::string& marker) {
        zbtest::WriteFile(path, "#!/bin/sh\necho started >> '" + marker + "'\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    void WriteStub(const std::string& name) { WriteStubAt(m_folder + "/" + name, m_marker); }

    // Runs the hook (of `library`, else the built one) on `msg`; true when it
    // took the key (the message then reads as a Windows-key press).
    bool Hook(MSG& msg, int code = HC_ACTION, zbtest::ShellExtLibrary* library = nullptr) {
        const MSG before = msg;
        const HookGetMsgProcFn hook = (library != nullptr ? *library : m_library).HookGetMsgProc;
        EXPECT_EQ(hook(code, PM_REMOVE, reinterpret_cast<LPARAM>(&msg)), 0);
        if (msg.message == before.message && msg.wParam == before.wParam)
            return false;
        EXPECT_EQ(msg.message, WM_KEYDOWN);
        EXPECT_EQ(msg.wParam, VK_LWIN);
        EXPECT_EQ(msg.lParam, before.lParam);
        return true;
    }

    // Waits for every program the hook started and counts the starts noted
    // in `marker` (the stored program's by default).
    int Starts(const std::string& marker = {}) {
        while (waitpid(-1, nullptr, 0) > 0) {
        }
        std::ifstream in(marker.empty() ? m_marker : marker);
        int lines = 0;
        for (std::string line; std::getline(in, line);)
            ++lines;
        return lines;
    }

    zbtest::FreshUserFolders m_folders;
    zbtest::ShellExtLibrary m_library;
    std::string m_folder;
    std::string m_marker;
};

TEST_F(HookLibraryTest, WithoutAHotKeyValueSuperFStartsTheProgram) {
    MSG press = KeyDown('F', {VK_LWIN});
    EXPECT_TRUE(Hook(press));
    EXPECT_EQ(Starts(), 1);
    MSG right = KeyDown('F', {VK_RWIN});
    EXPECT_TRUE(Hook(right));
    EXPECT_EQ(Starts(), 2);
}

TEST_F(HookLibraryTest, TheLetterIsReadAtEveryLoad) {
    WriteHotKey('G');
    ASSERT_TRUE(m_library.Reload());
    MSG superF = KeyDown('F', {VK_LWIN});
    EXPECT_FALSE(Hook(superF));
    MSG superG = KeyDown('G', {VK_LWIN});
    EXPECT_TRUE(Hook(superG));
    EXPECT_EQ(Starts(), 1);
}

TEST_F(HookLibraryTest, LetterZeroNeverFiresAndEveryMessagePasses) {
    WriteHotKey(0);
    ASSERT_TRUE(m_library.Reload());
    for (BYTE letter = 'A'; letter <= 'Z'; ++letter) {
        MSG msg = KeyDown(letter, {VK_LWIN, VK_RWIN});
        EXPECT_FALSE(Hook(msg)) << letter;
    }
    EXPECT_EQ(Starts(), 0);
}

TEST_F(HookLibraryTest, TheLetterAloneOrAnotherLetterPasses) {
    MSG letterAlone = KeyDown('F', {});
    EXPECT_FALSE(Hook(letterAlone));
    MSG otherLetter = KeyDown('G', {VK_LWIN});
    EXPECT_FALSE(Hook(otherLetter));
    MSG notAction = KeyDown('F', {VK_LWIN});
    EXPECT_FALSE(Hook(notAction, 3));
    MSG keyUp = KeyDown('F', {VK_LWIN});
    keyUp.message = 0x0101;
    EXPECT_FALSE(Hook(keyUp));
    EXPECT_EQ(Starts(), 0);
}

TEST_F(HookLibraryTest, HoldingTheKeysStartsOneProgram) {
    MSG press = KeyDown('F', {VK_LWIN});
    EXPECT_TRUE(Hook(press));
    for (int i = 0; i < 5; ++i) {
        MSG repeat = KeyDown('F', {VK_LWIN}, true);
        EXPECT_FALSE(Hook(repeat));
    }
    EXPECT_EQ(Starts(), 1);
}

TEST_F(HookLibraryTest, WithoutAStoredProgramTheOneBesideTheLibraryStarts) {
    // A copy of the library with a program of its own beside it.
    const std::string installed = zbtest::MakeTempDir("installed");
    const std::string besideMarker = installed + "/started";
    std::filesystem::copy_file(zbtest::ShellExtLibrary::Path(), installed + "/libzembrolt.so");
    WriteStubAt(installed + "/zembrolt", besideMarker);
    zbtest::ShellExtLibrary copy(installed + "/libzembrolt.so");
    ASSERT_TRUE(copy.IsLoaded()) << dlerror();

    CRegKey key;
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt"), ERROR_SUCCESS);
    // Before the first run, after the program moved away, and with a folder
    // where the program was.
    const std::function<void()> states[] = {
        [&] {
            ASSERT_EQ(RegDeleteValue(key.Handle(), "Install Path"), ERROR_SUCCESS);
            ASSERT_EQ(RegDeleteValue(key.Handle(), "AppName"), ERROR_SUCCESS);
        },
        [&] { WriteProgramKey(m_folder + "/moved away", "zembrolt"); },
        [&] {
            std::filesystem::create_directory(m_folder + "/folder");
            WriteProgramKey(m_folder, "folder");
        },
    };
    int expected = 0;
    for (const auto& state : states) {
        state();
        MSG press = KeyDown('F', {VK_LWIN});
        EXPECT_TRUE(Hook(press, HC_ACTION, &copy));
        EXPECT_EQ(Starts(besideMarker), ++expected);
    }
    EXPECT_EQ(Starts(), 0);
}

TEST_F(HookLibraryTest, AProgramNameLongerThanItsFolderIsReadInFull) {
    const std::string name(200, 'z');
    WriteStub(name);
    WriteProgramKey(m_folder, name);
    MSG press = KeyDown('F', {VK_LWIN});
    EXPECT_TRUE(Hook(press));
    EXPECT_EQ(Starts(), 1);
}

TEST_F(HookLibraryTest, SetHotKeyAndSetHookHandleKeepTheirValue) {
    EXPECT_EQ(m_library.SetHotKey(0x147), 0x47);
    MSG superG = KeyDown('G', {VK_LWIN});
    EXPECT_TRUE(Hook(superG));
    HHOOK hook = reinterpret_cast<HHOOK>(this);
    EXPECT_EQ(m_library.SetHookHandle(hook), hook);
    EXPECT_EQ(Starts(), 1);
}

}  // namespace
