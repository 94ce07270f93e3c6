#pragma once
// The redundant-file finder without its windows: the steps that list files
// usually safe to remove, in this order, each only while the steps before it
// reached their folders:
// 1. the temporary folder ($TMPDIR, else /tmp): regular files owned by the
//    user (never sockets, FIFOs or other users' files), except files a
//    running process holds open and X server lock files (".X0-lock");
// 2. the browsers' cache folders under $XDG_CACHE_HOME: regular files;
// 3. the Trash folders: each trashed item;
// 4. one walk over the computer for the chosen patterns, files only: broken
//    shortcuts (dangling symbolic links, .lnk files whose target is a
//    missing absolute path, .desktop launchers whose program is missing),
//    check-disk fragments (*.chk files, and the entries of a lost+found
//    folder at the root of a mounted file system) and temporary files
//    (*.tmp).
// Folders listed by an earlier step (and network file systems) are not
// walked again, compared by identity, so nothing is listed twice; the
// installed system's folders are never walked. The first three steps stay on
// the mount of their folder. Archives are not looked into.

#include <atomic>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

struct CRedundantOptions {
    BOOL m_bInternetCache = TRUE;      // "Find Internet temporary files"
    BOOL m_bLostClusters = TRUE;       // "Find lost allocation unit files"
    BOOL m_bBrokenShortcuts = TRUE;    // "Find shortcuts to missing files"
    BOOL m_bTempFiles = TRUE;          // "Find temporary files"
    BOOL m_bTempFolder = TRUE;         // "Find files in Windows temporary folder"
    BOOL m_bInstallTemp = TRUE;        // "Find temporary installation files" (not searched)
    BOOL m_bRecycleBin = TRUE;         // "Find files in the Recycle Bin"
    BOOL m_bEmptyDirectories = FALSE;  // "Find empty directory" (not searched)
};

// Where the steps look.
struct RedundantRoots {
    std::string tempFolder;
    std::vector<std::string> cacheFolders;   // only those that exist
    std::vector<std::string> trashFolders;   // each holding "files" and "info"
    std::vector<std::string> computer;       // the roots of the pattern walk
    std::vector<std::string> skipFolders;    // never walked (network file systems)
    std::vector<std::string> mountPoints;    // where file systems are mounted
    std::vector<std::string> systemFolders;  // never walked by the patterns
    std::string procFolder;  // the processes' folders; empty: no file counts as held open

    // From the environment: $TMPDIR or /tmp, the browsers' folders under
    // $XDG_CACHE_HOME (else ~/.cache), the Trash folders, "/", the network
    // mounts and the mount points of the mount table, /usr, /etc, /boot,
    // /opt, /var/lib and /snap, and /proc.
    static RedundantRoots FromEnvironment();
};

// Where found items go.
class IRedundantSink {
public:
    virtual ~IRedundantSink() = default;
    // A found item; false ends the search (the result limit).
    virtual bool AddItem(const std::string& path) = 0;
    // The folder the search is in, for the status bar.
    virtual void ShowFolder(const std::string& path) = 0;
};

// Tests of one item for the pattern walk.
// A symbolic link whose target does not exist (or that loops).
bool IsDanglingLink(const std::string& path);
// A .lnk file whose target is an absolute POSIX path that does not exist;
// an unreadable shortcut or one naming a Windows path is not broken.
bool IsBrokenShellLink(const std::string& path);
// A .desktop launcher of an application whose program (the first word of
// Exec, looked up in $PATH when it names no folder) does not exist.
bool IsBrokenDesktopEntry(const std::string& path);

class CRedundantFinder {
public:
    CRedundantFinder(const CRedundantOptions& options, RedundantRoots roots,
                     const std::atomic<bool>& stop, IRedundantSink& sink);

    // Runs the steps.
    void Run();
    // The step result that decides whether later steps walk: 0, or -1 when
    // a folder could not be reached or the limit ended the search.
    int GetResult() const { return m_nResult; }
    // Whether the pattern walk took place.
    bool WalkedComputer() const { return m_bWalkedComputer; }

private:
    class PatternVisitor;
    int ListTemporaryFolder();
    int ListCacheFolders();
    int ListTrash();
    void WalkComputer();
    bool Stopped() const { return m_stop.load(std::memory_order_relaxed); }

    CRedundantOptions m_options;
    RedundantRoots m_roots;
    const std::atomic<bool>& m_stop;
    IRedundantSink& m_sink;
    std::vector<std::string> m_skip;
    int m_nResult = 0;
    bool m_bWalkedComputer = false;
};
