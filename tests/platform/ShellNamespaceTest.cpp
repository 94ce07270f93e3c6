#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellItem.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;
constexpr DWORD kParsingInFolder = SHGDN_FORPARSING | SHGDN_INFOLDER;

// A home, config, data and runtime folder of its own for each test, a fake
// mountinfo, and the environment pointed at them (restored afterwards).
class ShellNamespaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            m_saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
        m_base = fs::canonical(zbtest::MakeTempDir("shell")).string();
        m_home = m_base + "/home";
        m_data = m_base + "/data";
        m_runtime = m_base + "/runtime";
        m_desktop = m_home + "/Schreibtisch";
        m_volume = m_base + "/vol";
        fs::create_directories(m_home);
        zbtest::WriteFile(m_base + "/config/user-dirs.dirs",
                          "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
        m_mountInfo =
            zbtest::WriteFile(m_base + "/mountinfo",
                              "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                              "23 22 0:5 / /proc rw,nosuid shared:12 - proc proc rw\n"
                              "24 22 8:2 / /mnt/My\\040Disk rw - ext4 /dev/sdb1 rw\n"
                              "25 22 0:40 / /mnt/nas rw - nfs4 nas:/export rw,vers=4.2\n"
                              "26 22 8:33 / /media/user/USB ro,nosuid - vfat /dev/sdc1 ro\n"
                              "27 22 0:25 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                              "28 22 8:49 / " +
                                  m_volume + " rw - ext4 /dev/sdd1 rw\n");
        setenv("HOME", m_home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_base + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", m_data.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        setenv("ZEMBROLT_MOUNTINFO", m_mountInfo.c_str(), 1);
        ASSERT_EQ(SHGetDesktopFolder(&m_desktopFolder), S_OK);
    }

    void TearDown() override {
        m_desktopFolder.Reset();
        for (const auto& [name, value] : m_saved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

    static std::vector<std::string> Names(IShellFolder* folder, DWORD flags,
                                          DWORD shgdn = SHGDN_NORMAL) {
        std::vector<std::string> names;
        zb::ComPtr<IEnumIDList> items;
        EXPECT_EQ(folder->EnumObjects(flags, &items), S_OK);
        if (!items)
            return names;
        for (;;) {
            LPITEMIDLIST item = nullptr;
            ULONG fetched = 0;
            if (items->Next(1, &item, &fetched) != S_OK)
                break;
            PidlPtr owned(item);
            names.push_back(Name(folder, owned.get(), shgdn));
        }
        return names;
    }

    static std::string Name(IShellFolder* folder, LPCITEMIDLIST item, DWORD shgdn) {
        STRRET name;
        if (FAILED(folder->GetDisplayNameOf(item, shgdn, &name)))
            return "<failed>";
        EXPECT_EQ(name.uType, STRRET_CSTR);
        return name.str;
    }

    static ULONG Attributes(IShellFolder* folder, LPCITEMIDLIST item, ULONG asked = ~0u) {
        ULONG attributes = asked;
        EXPECT_EQ(folder->GetAttributesOf(1, &item, &attributes), S_OK);
        return attributes;
    }

    static PidlPtr Parse(IShellFolder* folder, const std::string& name, HRESULT expected = S_OK) {
        LPITEMIDLIST list = nullptr;
        EXPECT_EQ(folder->ParseDisplayName(name, nullptr, &list, nullptr), expected) << name;
        return PidlPtr(list);
    }

    zb::ComPtr<IShellFolder> Bind(IShellFolder* folder, LPCITEMIDLIST list) {
        zb::ComPtr<IShellFolder> bound;
        EXPECT_EQ(folder->BindToObject(list, &bound), S_OK);
        return bound;
    }

    // The folder of a path, bound from the desktop.
    zb::ComPtr<IShellFolder> FolderOf(const std::string& path) {
        PidlPtr list = Parse(m_desktopFolder.Get(), path);
        if (!list)
            return nullptr;
        return Bind(m_desktopFolder.Get(), list.get());
    }

    // The one-item relative list of `name` inside `folder`.
    static PidlPtr Child(IShellFolder* folder, const std::string& name) {
        return Parse(folder, name);
    }

    static std::string PathOf(LPCITEMIDLIST list) {
        std::string path;
        return SHGetPathFromIDList(list, &path) ? path : "<none>";
    }

    static constexpr const char* kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                                 "XDG_RUNTIME_DIR", "ZEMBROLT_MOUNTINFO"};
    std::map<std::string, std::optional<std::string>> m_saved;
    std::string m_base, m_home, m_data, m_runtime, m_desktop, m_volume, m_mountInfo;
    zb::ComPtr<IShellFolder> m_desktopFolder;
};

TEST_F(ShellNamespaceTest, DesktopListsSpecialFoldersThenTheDesktopFolder) {
    // No Desktop folder on disk yet: the special folders only.
    EXPECT_EQ(Names(m_desktopFolder.Get(), kAll),
              (std::vector<std::string>{"Home", "Computer", "Network", "Trash"}));

    zbtest::WriteFile(m_desktop + "/notes.txt", "n");
    zbtest::WriteFile(m_desktop + "/Projects/plan.txt", "p");
    zbtest::WriteFile(m_desktop + "/.cache", "c");
    EXPECT_EQ(Names(m_desktopFolder.Get(), kAll),
              (std::vector<std::string>{"Home", "Computer", "Network", "Trash", ".cache",
                                        "notes.txt", "Projects"}));
    EXPECT_EQ(Names(m_desktopFolder.Get(), SHCONTF_NONFOLDERS),
              (std::vector<std::string>{"notes.txt"}));
    EXPECT_EQ(Names(m_desktopFolder.Get(), kAll, SHGDN_FORPARSING),
              (std::vector<std::string>{"::Home", "::Computer", "::Network", "::Trash",
                                        m_desktop + "/.cache", m_desktop + "/notes.txt",
                                        m_desktop + "/Projects"}));

    // The desktop's own names and path.
    EXPECT_EQ(Name(m_desktopFolder.Get(), nullptr, SHGDN_NORMAL), "Desktop");
    EXPECT_EQ(Name(m_desktopFolder.Get(), nullptr, SHGDN_FORPARSING), m_desktop);
    PidlPtr empty(ILAlloc(2));
    EXPECT_EQ(PathOf(empty.get()), m_desktop);

    // Special folders: Home has a path, the others have none.
    PidlPtr home = Parse(m_desktopFolder.Get(), "::Home");
    EXPECT_EQ(PathOf(home.get()), m_home);
    for (const char* name : {"::Computer", "::Network", "::Trash"}) {
        PidlPtr special = Parse(m_desktopFolder.Get(), name);
        EXPECT_EQ(PathOf(special.get()), "<none>") << name;
        EXPECT_EQ(Name(m_desktopFolder.Get(), special.get(), SHGDN_FORPARSING), name);
        EXPECT_EQ(Name(m_desktopFolder.Get(), special.get(), kParsingInFolder), name);
        const ULONG attributes = Attributes(m_desktopFolder.Get(), special.get());
        EXPECT_TRUE(attributes & SFGAO_FOLDER);
        EXPECT_FALSE(attributes & (SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANDELETE));
    }
    EXPECT_EQ(Attributes(m_desktopFolder.Get(), home.get(),
                         SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_CANDELETE | SFGAO_CANCOPY),
              SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_CANCOPY);
    Parse(m_desktopFolder.Get(), "::Bogus", E_FILE_NOT_FOUND);

    // A new desktop reads the changed user-dirs file; the older one keeps
    // its roots.
    zbtest::WriteFile(m_base + "/config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Desk\"\n");
    zb::ComPtr<IShellFolder> newer;
    ASSERT_EQ(SHGetDesktopFolder(&newer), S_OK);
    EXPECT_EQ(Name(newer.Get(), nullptr, SHGDN_FORPARSING), m_home + "/Desk");
    EXPECT_EQ(PathOf(empty.get()), m_home + "/Desk");
    EXPECT_EQ(Name(m_desktopFolder.Get(), nullptr, SHGDN_FORPARSING), m_desktop);

    // A desktop item's path, and binding to a desktop sub-folder.
    PidlPtr projects = Parse(m_desktopFolder.Get(), "Projects");
    EXPECT_EQ(PathOf(projects.get()), m_home + "/Desk/Projects");
    zb::ComPtr<IShellFolder> bound = Bind(m_desktopFolder.Get(), projects.get());
    ASSERT_TRUE(bound);
    EXPECT_EQ(Names(bound.Get(), kAll), (std::vector<std::string>{"plan.txt"}));
}

TEST_F(ShellNamespaceTest, AUserDirsFileThatIsNoRegularFileIsPassedOver) {
    // A FIFO in its place would block a plain open for ever.
    const std::string userDirs = m_base + "/config/user-dirs.dirs";
    ASSERT_EQ(::unlink(userDirs.c_str()), 0);
    ASSERT_EQ(::mkfifo(userDirs.c_str(), 0600), 0);
    zb::ComPtr<IShellFolder> desktop;
    ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
    EXPECT_EQ(Name(desktop.Get(), nullptr, SHGDN_FORPARSING), m_home + "/Desktop");
}

TEST_F(ShellNamespaceTest, ParsedPathsRoundTripThroughTheLongestMountPrefix) {
    const std::string odd("caf\xE9 \x01.txt", 10);  // not UTF-8
    zbtest::WriteFile(m_volume + "/sub/" + odd, "x");
    zbtest::WriteFile(m_home + "/docs/a.txt", "a");

    PidlPtr inVolume = Parse(m_desktopFolder.Get(), m_volume + "/sub/" + odd);
    ASSERT_TRUE(inVolume);
    // Computer, the mounted volume, "sub", the file.
    EXPECT_EQ(ILGetCount(inVolume.get()), 4u);
    EXPECT_EQ(PathOf(inVolume.get()), m_volume + "/sub/" + odd);
    LPCITEMIDLIST volumeItem = ILNext(static_cast<LPCITEMIDLIST>(inVolume.get()));
    zb::ShellItem decoded;
    ASSERT_TRUE(zb::DecodeItem(volumeItem, &decoded));
    EXPECT_EQ(decoded.kind, zb::ItemKind::Volume);
    EXPECT_EQ(decoded.name, m_volume);
    LPCITEMIDLIST fileItem = ILFindLast(inVolume.get());
    ASSERT_TRUE(zb::DecodeItem(fileItem, &decoded));
    EXPECT_EQ(decoded.name, odd);

    // The name of the last item, asked from the desktop through the whole list.
    EXPECT_EQ(Name(m_desktopFolder.Get(), inVolume.get(), kParsingInFolder), odd);
    EXPECT_EQ(Name(m_desktopFolder.Get(), inVolume.get(), SHGDN_FORPARSING),
              m_volume + "/sub/" + odd);

    // Outside every other mount: through "/".
    PidlPtr inHome = Parse(m_desktopFolder.Get(), m_home + "/docs/a.txt");
    ASSERT_TRUE(inHome);
    ASSERT_TRUE(zb::DecodeItem(ILNext(static_cast<LPCITEMIDLIST>(inHome.get())), &decoded));
    EXPECT_EQ(decoded.name, "/");
    EXPECT_EQ(PathOf(inHome.get()), m_home + "/docs/a.txt");

    // "." and ".." and doubled or trailing slashes are made canonical.
    PidlPtr canonical = Parse(m_desktopFolder.Get(), m_home + "//docs/../docs/./a.txt");
    EXPECT_TRUE(ILIsEqual(canonical.get(), inHome.get()));
    PidlPtr trailing = Parse(m_desktopFolder.Get(), m_home + "/docs/");
    EXPECT_EQ(PathOf(trailing.get()), m_home + "/docs");

    // The root alone, and the eaten count and attributes of a parse.
    PidlPtr root = Parse(m_desktopFolder.Get(), "/");
    EXPECT_EQ(ILGetCount(root.get()), 2u);
    EXPECT_EQ(PathOf(root.get()), "/");
    LPITEMIDLIST list = nullptr;
    ULONG eaten = 0;
    ULONG attributes = SFGAO_FOLDER | SFGAO_STREAM;
    const std::string path = m_home + "/docs/a.txt";
    ASSERT_EQ(m_desktopFolder->ParseDisplayName(path, &eaten, &list, &attributes), S_OK);
    PidlPtr owned(list);
    EXPECT_EQ(eaten, path.size());
    EXPECT_EQ(attributes, SFGAO_STREAM);

    // Relative names inside a file-system folder, and through special folders.
    zb::ComPtr<IShellFolder> home = FolderOf(m_home);
    ASSERT_TRUE(home);
    PidlPtr relative = Parse(home.Get(), "docs/a.txt");
    EXPECT_EQ(ILGetCount(relative.get()), 2u);
    EXPECT_EQ(Name(home.Get(), relative.get(), SHGDN_FORPARSING), m_home + "/docs/a.txt");
    PidlPtr viaHome = Parse(m_desktopFolder.Get(), "::Home/docs/a.txt");
    EXPECT_EQ(PathOf(viaHome.get()), m_home + "/docs/a.txt");
    PidlPtr viaComputer = Parse(m_desktopFolder.Get(), "::Computer" + m_home + "/docs");
    EXPECT_EQ(PathOf(viaComputer.get()), m_home + "/docs");
    Parse(home.Get(), "../x", E_INVALIDARG);
    Parse(home.Get(), "/abs", E_INVALIDARG);
}

TEST_F(ShellNamespaceTest, ParseFailsForMissingComponents) {
    zbtest::WriteFile(m_home + "/docs/a.txt", "a");
    Parse(m_desktopFolder.Get(), m_home + "/docs/missing.txt", E_FILE_NOT_FOUND);
    Parse(m_desktopFolder.Get(), m_home + "/nodir/a.txt", E_PATH_NOT_FOUND);
    Parse(m_desktopFolder.Get(), m_home + "/docs/a.txt/below", E_PATH_NOT_FOUND);
    zb::ComPtr<IShellFolder> home = FolderOf(m_home);
    ASSERT_TRUE(home);
    Parse(home.Get(), "docs/missing.txt", E_FILE_NOT_FOUND);
    Parse(home.Get(), "nodir/a.txt", E_PATH_NOT_FOUND);
    Parse(home.Get(), "docs/a.txt/below", E_PATH_NOT_FOUND);
    Parse(home.Get(), "", E_INVALIDARG);
}

TEST_F(ShellNamespaceTest, EnumerationOrderAndFiltering) {
    const std::string dir = m_home + "/list";
    for (const char* name : {"b.txt", "B.txt", "a.txt", "C.txt", "\xC3\xA4pfel", "\xC3\x84pfel",
                             "zebra", ".dot", "secret.txt", "Mid"}) {
        zbtest::WriteFile(dir + "/" + name, "x");
    }
    fs::create_directories(dir + "/sub");
    fs::create_directories(dir + "/Alpha");
    zbtest::WriteFile(dir + "/.hidden", "secret.txt\nSub-not-there\n");
    zb::ComPtr<IShellFolder> folder = FolderOf(dir);
    ASSERT_TRUE(folder);

    // Case-insensitive, ties by bytes, folders not put first.
    EXPECT_EQ(Names(folder.Get(), kAll),
              (std::vector<std::string>{".dot", ".hidden", "a.txt", "Alpha", "B.txt", "b.txt",
                                        "C.txt", "Mid", "secret.txt", "sub", "zebra",
                                        "\xC3\x84pfel", "\xC3\xA4pfel"}));
    EXPECT_EQ(Names(folder.Get(), SHCONTF_FOLDERS), (std::vector<std::string>{"Alpha", "sub"}));
    EXPECT_EQ(Names(folder.Get(), SHCONTF_NONFOLDERS),
              (std::vector<std::string>{"a.txt", "B.txt", "b.txt", "C.txt", "Mid", "zebra",
                                        "\xC3\x84pfel", "\xC3\xA4pfel"}));
    EXPECT_TRUE(Names(folder.Get(), SHCONTF_INCLUDEHIDDEN).empty());

    // Hidden by name and by the .hidden list.
    for (const char* name : {".dot", "secret.txt"}) {
        PidlPtr item = Child(folder.Get(), name);
        EXPECT_TRUE(Attributes(folder.Get(), item.get(), SFGAO_HIDDEN) & SFGAO_HIDDEN) << name;
    }
    PidlPtr visible = Child(folder.Get(), "Mid");
    EXPECT_EQ(Attributes(folder.Get(), visible.get(), SFGAO_HIDDEN), 0u);

    // Next with a count, Skip and Reset.
    zb::ComPtr<IEnumIDList> items;
    ASSERT_EQ(folder->EnumObjects(SHCONTF_FOLDERS, &items), S_OK);
    LPITEMIDLIST batch[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(items->Next(3, batch, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    PidlPtr first(batch[0]);
    PidlPtr second(batch[1]);
    EXPECT_EQ(Name(folder.Get(), second.get(), SHGDN_NORMAL), "sub");
    EXPECT_EQ(items->Reset(), S_OK);
    EXPECT_EQ(items->Skip(1), S_OK);
    LPITEMIDLIST one = nullptr;
    EXPECT_EQ(items->Next(1, &one, &fetched), S_OK);
    PidlPtr again(one);
    EXPECT_TRUE(ILIsEqual(again.get(), second.get()));
    EXPECT_EQ(items->Skip(5), S_FALSE);
}

TEST_F(ShellNamespaceTest, DosAttribHiddenBitHidesAnItem) {
    const std::string dir = m_home + "/dos";
    const std::string file = zbtest::WriteFile(dir + "/marked.txt", "x");
    zbtest::WriteFile(dir + "/plain.txt", "x");
    const char value[] = "0x2";
    if (setxattr(file.c_str(), "user.DOSATTRIB", value, sizeof value, 0) != 0) {
        GTEST_SKIP() << "the file system keeps no user extended attributes";
    }
    zb::ComPtr<IShellFolder> folder = FolderOf(dir);
    ASSERT_TRUE(folder);
    EXPECT_EQ(Names(folder.Get(), SHCONTF_NONFOLDERS), (std::vector<std::string>{"plain.txt"}));
    PidlPtr item = Child(folder.Get(), "marked.txt");
    EXPECT_EQ(Attributes(folder.Get(), item.get(), SFGAO_HIDDEN), SFGAO_HIDDEN);
}

TEST_F(ShellNamespaceTest, SymbolicLinksAreLinksAndNeverFolders) {
    const std::string dir = m_home + "/links";
    fs::create_directories(dir + "/real/inner");
    fs::create_directory_symlink(dir + "/real", dir + "/toReal");
    fs::create_directory_symlink(dir, dir + "/real/loop");  // a cycle
    zb::ComPtr<IShellFolder> folder = FolderOf(dir);
    ASSERT_TRUE(folder);

    EXPECT_EQ(Names(folder.Get(), SHCONTF_FOLDERS), (std::vector<std::string>{"real"}));
    EXPECT_EQ(Names(folder.Get(), SHCONTF_NONFOLDERS), (std::vector<std::string>{"toReal"}));

    PidlPtr link = Child(folder.Get(), "toReal");
    const ULONG attributes = Attributes(folder.Get(), link.get());
    EXPECT_TRUE(attributes & SFGAO_LINK);
    EXPECT_FALSE(attributes & (SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_STREAM));
    EXPECT_TRUE(attributes & SFGAO_FILESYSTEM);
    zb::ComPtr<IShellFolder> bound;
    EXPECT_TRUE(FAILED(folder->BindToObject(link.get(), &bound)));
    EXPECT_FALSE(bound);

    // The real folder has a sub-folder; its link does not count as one.
    PidlPtr real = Child(folder.Get(), "real");
    EXPECT_TRUE(Attributes(folder.Get(), real.get(), SFGAO_HASSUBFOLDER) & SFGAO_HASSUBFOLDER);
    zb::ComPtr<IShellFolder> inner = Bind(folder.Get(), real.get());
    PidlPtr innerItem = Child(inner.Get(), "inner");
    EXPECT_EQ(Attributes(inner.Get(), innerItem.get(), SFGAO_HASSUBFOLDER), 0u);

    // A link parsed as the last part stays a link; a list below a link has no path.
    PidlPtr parsed = Parse(m_desktopFolder.Get(), dir + "/toReal");
    EXPECT_TRUE(Attributes(m_desktopFolder.Get(), parsed.get(), SFGAO_LINK) & SFGAO_LINK);
    EXPECT_TRUE(FAILED(m_desktopFolder->BindToObject(parsed.get(), &bound)));
    PidlPtr innerName(zb::MakeItemList(zb::ItemKind::Entry,
                                       static_cast<BYTE>(zb::EntryType::Directory), "inner"));
    PidlPtr below(ILCombine(parsed.get(), innerName.get()));
    EXPECT_EQ(PathOf(below.get()), "<none>");
    // A link inside the parsed path is resolved to where it leads.
    PidlPtr through = Parse(m_desktopFolder.Get(), dir + "/toReal/inner");
    EXPECT_EQ(PathOf(through.get()), dir + "/real/inner");
}

TEST_F(ShellNamespaceTest, AttributesOfFilesAndFolders) {
    const std::string dir = m_home + "/attrs";
    zbtest::WriteFile(dir + "/file.txt", "x");
    const std::string locked = zbtest::WriteFile(dir + "/locked.txt", "x");
    chmod(locked.c_str(), 0444);
    zbtest::WriteFile(dir + "/folder/leaf.txt", "x");
    fs::create_directories(dir + "/parent/child");
    zb::ComPtr<IShellFolder> folder = FolderOf(dir);
    ASSERT_TRUE(folder);
    PidlPtr file = Child(folder.Get(), "file.txt");
    PidlPtr lockedItem = Child(folder.Get(), "locked.txt");
    PidlPtr sub = Child(folder.Get(), "folder");
    PidlPtr parent = Child(folder.Get(), "parent");

    const ULONG fileAttributes = Attributes(folder.Get(), file.get());
    const ULONG expectedFile = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANLINK | SFGAO_CANMOVE |
                               SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_STREAM;
    EXPECT_EQ(fileAttributes, expectedFile);
    EXPECT_EQ(Attributes(folder.Get(), lockedItem.get()), expectedFile | SFGAO_READONLY);

    const ULONG folderAttributes = Attributes(folder.Get(), sub.get());
    EXPECT_EQ(folderAttributes, SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANLINK | SFGAO_CANMOVE |
                                    SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_FOLDER |
                                    SFGAO_FILESYSANCESTOR);
    EXPECT_EQ(Attributes(folder.Get(), parent.get(), SFGAO_HASSUBFOLDER), SFGAO_HASSUBFOLDER);

    // Only the asked bits come back, ANDed over several items.
    LPCITEMIDLIST both[] = {file.get(), sub.get()};
    ULONG common = SFGAO_FOLDER | SFGAO_CANCOPY | SFGAO_STREAM | SFGAO_LINK;
    ASSERT_EQ(folder->GetAttributesOf(2, both, &common), S_OK);
    EXPECT_EQ(common, SFGAO_CANCOPY);

    // An item that has gone fails validation.
    fs::remove(dir + "/file.txt");
    ULONG validate = SFGAO_VALIDATE | SFGAO_CANCOPY;
    LPCITEMIDLIST gone = file.get();
    EXPECT_EQ(folder->GetAttributesOf(1, &gone, &validate), E_FILE_NOT_FOUND);

    // Items of a folder that cannot be written cannot be moved, renamed or deleted.
    if (geteuid() != 0) {
        chmod(dir.c_str(), 0555);
        zb::ComPtr<IShellFolder> readOnly = FolderOf(dir);
        EXPECT_EQ(Attributes(readOnly.Get(), sub.get(),
                             SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE),
                  SFGAO_CANCOPY);
        chmod(dir.c_str(), 0755);
    }
}

TEST_F(ShellNamespaceTest, ComputerAndNetworkListTheMounts) {
    fs::create_directories(m_runtime + "/gvfs/smb-share:server=nas,share=music");
    fs::create_directories(m_volume + "/data");
    PidlPtr computerList = Parse(m_desktopFolder.Get(), "::Computer");
    zb::ComPtr<IShellFolder> computer = Bind(m_desktopFolder.Get(), computerList.get());
    ASSERT_TRUE(computer);
    const std::string volumeName = fs::path(m_volume).filename().string();
    std::vector<std::string> expected = {"File System", "My Disk", "USB", volumeName};
    std::sort(expected.begin() + 1, expected.end(), [](const std::string& a, const std::string& b) {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    });
    EXPECT_EQ(Names(computer.Get(), kAll), expected);
    EXPECT_TRUE(Names(computer.Get(), SHCONTF_NONFOLDERS).empty());
    const std::vector<std::string> paths = Names(computer.Get(), kAll, SHGDN_FORPARSING);
    EXPECT_EQ(paths.front(), "/");
    EXPECT_NE(std::find(paths.begin(), paths.end(), "/mnt/My Disk"), paths.end());
    EXPECT_EQ(std::find(paths.begin(), paths.end(), "/proc"), paths.end());
    EXPECT_EQ(std::find(paths.begin(), paths.end(), "/mnt/nas"), paths.end());
    EXPECT_EQ(Name(computer.Get(), nullptr, SHGDN_NORMAL), "Computer");

    // The removable, read-only stick; a volume is a file-system folder with a path.
    PidlPtr usb = Parse(computer.Get(), "/media/user/USB", E_PATH_NOT_FOUND);  // not on this disk
    PidlPtr usbItem(zb::MakeItemList(
        zb::ItemKind::Volume, zb::kVolumeRemovable | zb::kVolumeReadOnly, "/media/user/USB"));
    EXPECT_EQ(Attributes(computer.Get(), usbItem.get(),
                         SFGAO_REMOVABLE | SFGAO_READONLY | SFGAO_FOLDER | SFGAO_FILESYSTEM |
                             SFGAO_CANDELETE),
              SFGAO_REMOVABLE | SFGAO_READONLY | SFGAO_FOLDER | SFGAO_FILESYSTEM);
    PidlPtr volume = Parse(m_desktopFolder.Get(), m_volume);
    EXPECT_EQ(ILGetCount(volume.get()), 2u);
    EXPECT_EQ(PathOf(volume.get()), m_volume);
    EXPECT_EQ(Attributes(m_desktopFolder.Get(), volume.get(), SFGAO_HASSUBFOLDER | SFGAO_REMOVABLE),
              SFGAO_HASSUBFOLDER);
    zb::ComPtr<IShellFolder> volumeFolder = Bind(m_desktopFolder.Get(), volume.get());
    ASSERT_TRUE(volumeFolder);
    EXPECT_EQ(Names(volumeFolder.Get(), kAll), (std::vector<std::string>{"data"}));

    PidlPtr networkList = Parse(m_desktopFolder.Get(), "::Network");
    zb::ComPtr<IShellFolder> network = Bind(m_desktopFolder.Get(), networkList.get());
    ASSERT_TRUE(network);
    EXPECT_EQ(Names(network.Get(), kAll, SHGDN_FORPARSING),
              (std::vector<std::string>{"/mnt/nas",
                                        m_runtime + "/gvfs/smb-share:server=nas,share=music"}));
    EXPECT_EQ(Names(network.Get(), kAll),
              (std::vector<std::string>{"nas", "smb-share:server=nas,share=music"}));
    EXPECT_TRUE(Attributes(m_desktopFolder.Get(), networkList.get(), SFGAO_HASSUBFOLDER) &
                SFGAO_HASSUBFOLDER);
}

TEST_F(ShellNamespaceTest, TrashListsTheHomeTrashFiles) {
    PidlPtr trashList = Parse(m_desktopFolder.Get(), "::Trash");
    zb::ComPtr<IShellFolder> trash = Bind(m_desktopFolder.Get(), trashList.get());
    ASSERT_TRUE(trash);
    EXPECT_TRUE(Names(trash.Get(), kAll).empty());  // no trash folder yet

    const std::string files = m_data + "/Trash/files";
    zbtest::WriteFile(files + "/old.txt", "o");
    zbtest::WriteFile(files + "/olddir/x", "x");
    EXPECT_EQ(Names(trash.Get(), kAll), (std::vector<std::string>{"old.txt", "olddir"}));
    EXPECT_EQ(Names(trash.Get(), kAll, SHGDN_FORPARSING),
              (std::vector<std::string>{files + "/old.txt", files + "/olddir"}));
    EXPECT_EQ(Name(trash.Get(), nullptr, SHGDN_NORMAL), "Trash");

    PidlPtr old = Parse(m_desktopFolder.Get(), "::Trash/old.txt");
    EXPECT_EQ(PathOf(old.get()), files + "/old.txt");
    EXPECT_EQ(PathOf(trashList.get()), "<none>");
    EXPECT_TRUE(Attributes(m_desktopFolder.Get(), old.get(), SFGAO_FILESYSTEM | SFGAO_CANCOPY) ==
                (SFGAO_FILESYSTEM | SFGAO_CANCOPY));
}

TEST_F(ShellNamespaceTest, DisplayNamesInEachForm) {
    zbtest::WriteFile(m_home + "/docs/Report.TXT", "r");
    PidlPtr homeList = Parse(m_desktopFolder.Get(), "::Home");
    zb::ComPtr<IShellFolder> home = Bind(m_desktopFolder.Get(), homeList.get());
    ASSERT_TRUE(home);
    PidlPtr docs = Child(home.Get(), "docs");
    EXPECT_EQ(Name(home.Get(), docs.get(), SHGDN_NORMAL), "docs");
    EXPECT_EQ(Name(home.Get(), docs.get(), SHGDN_INFOLDER), "docs");
    EXPECT_EQ(Name(home.Get(), docs.get(), kParsingInFolder), "docs");
    EXPECT_EQ(Name(home.Get(), docs.get(), SHGDN_FORPARSING), m_home + "/docs");
    EXPECT_EQ(Name(home.Get(), docs.get(), SHGDN_FORPARSING | SHGDN_FORADDRESSBAR),
              m_home + "/docs");
    EXPECT_EQ(Name(home.Get(), nullptr, SHGDN_NORMAL), "Home");
    EXPECT_EQ(Name(home.Get(), nullptr, SHGDN_FORPARSING), "::Home");

    // Through a list of several items, from the desktop.
    PidlPtr report = Parse(m_desktopFolder.Get(), "::Home/docs/Report.TXT");
    EXPECT_EQ(Name(m_desktopFolder.Get(), report.get(), SHGDN_NORMAL), "Report.TXT");
    EXPECT_EQ(Name(m_desktopFolder.Get(), report.get(), SHGDN_FORPARSING),
              m_home + "/docs/Report.TXT");
    EXPECT_EQ(Name(m_desktopFolder.Get(), homeList.get(), SHGDN_NORMAL), "Home");
    EXPECT_EQ(Name(m_desktopFolder.Get(), homeList.get(), SHGDN_FORPARSING), "::Home");

    // Long names are not cut at 260 bytes.
    const std::string longName(250, 'n');
    zbtest::WriteFile(m_home + "/docs/" + longName + "/" + longName, "l");
    PidlPtr deep = Parse(m_desktopFolder.Get(), m_home + "/docs/" + longName + "/" + longName);
    EXPECT_EQ(Name(m_desktopFolder.Get(), deep.get(), SHGDN_FORPARSING),
              m_home + "/docs/" + longName + "/" + longName);
}

TEST_F(ShellNamespaceTest, CompareIdsByNameOnly) {
    zbtest::WriteFile(m_home + "/cmp/a.txt", "a");
    fs::create_directories(m_home + "/cmp/B");
    zbtest::WriteFile(m_home + "/cmp/b", "b");
    zb::ComPtr<IShellFolder> folder = FolderOf(m_home + "/cmp");
    ASSERT_TRUE(folder);
    PidlPtr a = Child(folder.Get(), "a.txt");
    PidlPtr bigB = Child(folder.Get(), "B");
    PidlPtr smallB = Child(folder.Get(), "b");
    auto compare = [&](LPCITEMIDLIST x, LPCITEMIDLIST y) {
        const HRESULT hr = folder->CompareIDs(0, x, y);
        EXPECT_TRUE(SUCCEEDED(hr));
        return ShortFromResult(hr);
    };
    EXPECT_LT(compare(a.get(), bigB.get()), 0);  // a file before a folder by name
    EXPECT_LT(compare(bigB.get(), smallB.get()), 0);
    EXPECT_GT(compare(smallB.get(), bigB.get()), 0);
    EXPECT_EQ(compare(a.get(), a.get()), 0);
    PidlPtr longer(ILCombine(bigB.get(), a.get()));
    EXPECT_LT(compare(bigB.get(), longer.get()), 0);

    // The desktop's special folders sort in their fixed order, before its files.
    PidlPtr trash = Parse(m_desktopFolder.Get(), "::Trash");
    PidlPtr home = Parse(m_desktopFolder.Get(), "::Home");
    EXPECT_LT(ShortFromResult(m_desktopFolder->CompareIDs(0, home.get(), trash.get())), 0);
    EXPECT_LT(ShortFromResult(m_desktopFolder->CompareIDs(0, trash.get(), a.get())), 0);
}

TEST_F(ShellNamespaceTest, MalformedListsAreRejected) {
    zbtest::WriteFile(m_home + "/ok.txt", "o");
    zb::ComPtr<IShellFolder> home = FolderOf(m_home);
    ASSERT_TRUE(home);
    auto raw = [](const std::string& bytes) {
        PidlPtr list(ILAlloc(bytes.size()));
        std::memcpy(list.get(), bytes.data(), bytes.size());
        return list;
    };
    const std::vector<std::string> bad = {
        std::string("\x01\x00\x00\x00", 4),           // count 1
        std::string("\x03\x00\x03\x00\x00", 5),       // count below a header
        std::string("\x05\x00\x07\x01x\x00\x00", 7),  // unknown kind
        std::string("\x08\x00\x03\x01"
                    "a/b\x00\x00\x00",
                    10),                                    // '/' in the name
        std::string("\x06\x00\x03\x02..\x00\x00", 8),       // ".."
        std::string("\x0A\x00\x03\x01ok.txt\x01\x00", 12),  // good item, then count 1
    };
    for (const std::string& bytes : bad) {
        PidlPtr list = raw(bytes);
        LPCITEMIDLIST item = list.get();
        ULONG attributes = SFGAO_CANCOPY;
        EXPECT_TRUE(FAILED(home->GetAttributesOf(1, &item, &attributes)));
        zb::ComPtr<IShellFolder> bound;
        EXPECT_TRUE(FAILED(home->BindToObject(item, &bound)));
        STRRET name;
        EXPECT_TRUE(FAILED(home->GetDisplayNameOf(item, SHGDN_NORMAL, &name)));
        EXPECT_TRUE(FAILED(home->CompareIDs(0, item, item)));
        // The same bytes behind Home in an absolute list.
        PidlPtr absolute = raw(std::string("\x04\x00\x01\x01", 4) + bytes);
        std::string path = "untouched";
        EXPECT_FALSE(SHGetPathFromIDList(absolute.get(), &path));
        EXPECT_TRUE(path.empty());
    }
    // Items in the wrong place: a volume under the desktop, a special folder
    // inside a file-system folder.
    PidlPtr volume(zb::MakeItemList(zb::ItemKind::Volume, 0, "/"));
    zb::ComPtr<IShellFolder> bound;
    EXPECT_EQ(m_desktopFolder->BindToObject(volume.get(), &bound), E_INVALIDARG);
    EXPECT_EQ(PathOf(volume.get()), "<none>");
    PidlPtr special(
        zb::MakeItemList(zb::ItemKind::Special, static_cast<BYTE>(zb::SpecialFolder::Home), {}));
    EXPECT_EQ(home->BindToObject(special.get(), &bound), E_INVALIDARG);
    PidlPtr homeList = Parse(m_desktopFolder.Get(), "::Home");
    PidlPtr twice(ILCombine(homeList.get(), homeList.get()));
    EXPECT_EQ(PathOf(twice.get()), "<none>");
    // Binding a file, and empty or null arguments.
    PidlPtr file = Child(home.Get(), "ok.txt");
    EXPECT_EQ(home->BindToObject(file.get(), &bound), E_INVALIDARG);
    EXPECT_EQ(home->BindToObject(nullptr, &bound), E_INVALIDARG);
    EXPECT_FALSE(SHGetPathFromIDList(nullptr, nullptr));
    LPCITEMIDLIST none = nullptr;
    ULONG attributes = 0;
    EXPECT_EQ(home->GetAttributesOf(0, &none, &attributes), E_INVALIDARG);
}

}  // namespace
