#pragma once
// The context menu of selected results, built by the program itself: its own
// verbs (Explore, Open, Search, Print, Edit), its file operations (Copy, Cut,
// Delete, Rename), the desktop's applications for the items' types ("Open
// With"), the verbs the registry lists for folders and directories, and
// Properties. The menu is a model: the window shows it and hands the chosen
// id back; every effect on the desktop goes through IShellVerbHost.
//
// Every id of a built menu reaches exactly one action: ids are given out in
// blocks that never overlap, and dispatch looks the id up in one table.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/engine/ResultItem.h"
#include "platform/DesktopEntry.h"
#include "platform/WinTypes.h"

// Menu flags passed on by the caller.
constexpr UINT CMF_NORMAL = 0x0000;
constexpr UINT CMF_EXPLORE = 0x0004;

// One row of a folder or directory verb of the registry.
struct CShellVerbRow {
    std::string text;     // the menu text
    std::string program;  // the program of its command line
    std::string params;   // the rest of the command line
    std::string ddeCommand;
    std::string ddeApplication;
    std::string ddeTopic;
    std::string tag;  // "folder" or "directory"
};

// The program and parameters of a verb's command line: the line is trimmed;
// a quoted program runs to the next quote (none: false), else to the first
// blank. In the parameters the first "%l" (any case), or else the first
// "%1", becomes "%s", and every other "%" not followed by "s" becomes "?".
bool ParseVerbCommand(const std::string& line, std::string* program, std::string* params);
// The arguments of a verb for `path`: the parameters split at blanks
// (double quotes group), "%s" replaced by `path`.
std::vector<std::string> VerbArguments(const std::string& params, const std::string& path);

// One entry of the menu model; an id of 0 with no text is a separator.
struct CShellMenuItem {
    UINT id = 0;
    std::string text;
    std::vector<CShellMenuItem> submenu;

    bool IsSeparator() const { return id == 0 && text.empty() && submenu.empty(); }
};

// Own verb and file-operation indexes.
enum ShellVerb { VERB_EXPLORE = 0, VERB_OPEN, VERB_FIND, VERB_PRINT, VERB_EDIT, VERB_COUNT };
enum FileOperation { FILEOP_COPY = 0, FILEOP_CUT, FILEOP_DELETE, FILEOP_RENAME, FILEOP_COUNT };

// What the menu's commands do on the desktop.
class IShellVerbHost {
public:
    virtual ~IShellVerbHost() = default;
    // Runs an own verb ("explore", "open", "find", "print", "edit") on files
    // and folders on disk.
    virtual void RunVerb(ShellVerb verb, const std::vector<std::string>& paths) = 0;
    // Runs an own verb on a record that has no path (a special folder).
    virtual void RunVerbOnItem(ShellVerb verb, const CResultItem& record) = 0;
    // Puts the selection on the clipboard with the preferred effect 1 (copy)
    // or 2 (cut).
    virtual void PutSelectionOnClipboard(DWORD effect) = 0;
    // Deletes the paths (to the Trash, after asking).
    virtual void DeletePaths(const std::vector<std::string>& paths) = 0;
    // Starts a desktop application on the paths.
    virtual void LaunchApplication(const zb::DesktopApplication& application,
                                   const std::vector<std::string>& paths) = 0;
    // Starts `program` with `arguments`.
    virtual void RunProgram(const std::string& program,
                            const std::vector<std::string>& arguments) = 0;
    // Shows the properties sheet of the records.
    virtual void ShowProperties(const std::vector<const CResultItem*>& records) = 0;
};

class CShellContextMenu {
public:
    explicit CShellContextMenu(IShellVerbHost& host);
    virtual ~CShellContextMenu() = default;

    // The selection: the data object's file list (the paths on disk, with
    // extracted members once they were extracted) and the selected records.
    // Neither is owned.
    void SetData(const std::vector<std::string>* dropFiles,
                 const std::vector<const CResultItem*>* records);
    // The MIME types of a path, its own first, then the ones it derives from
    // (the window asks the desktop's database); without one no application
    // is offered.
    void SetTypeResolver(std::function<std::vector<std::string>(const std::string&)> resolver) {
        m_typeResolver = std::move(resolver);
    }

    // Builds the menu with ids from `first`; 0, or -3 without data or records.
    int BuildMenu(int position, UINT first, UINT last, UINT flags);
    const std::vector<CShellMenuItem>& GetMenu() const { return m_menu; }
    // Every id the menu holds, with the action it reaches, for checks.
    std::vector<UINT> GetCommandIds() const;

    // Runs the command `id`; false when it reaches no action.
    bool InvokeCommand(UINT id);
    // Whether the selection's archive members must be extracted first.
    BOOL NeedsExtraction(UINT id) const;
    BOOL IsDeleteCommand(UINT id) const;
    BOOL IsRenameCommand(UINT id) const;

    // The operations without a menu, after SetData.
    void DoFileOperation(int index);
    void DoShellVerb(int index);

    // Forgets data, records, applications and verb rows.
    void Reset();

    // The verb rows of the registry's folder and directory verbs.
    const std::vector<CShellVerbRow>& GetVerbRows() const { return m_verbRows; }
    const std::vector<zb::DesktopApplication>& GetApplications() const { return m_applications; }

protected:
    // Reads the rows of Folder\shell and Directory\shell.
    virtual void LoadRegistryVerbs();

private:
    enum class ActionKind { Verb, FileOperation, Application, RegistryVerb, Properties };
    struct Action {
        ActionKind kind;
        int index;
    };

    void AddItem(std::vector<CShellMenuItem>* menu, UINT id, const std::string& text,
                 ActionKind kind, int index);
    void LoadVerbRows(const char* key, const char* tag);
    void CollectApplications();
    std::vector<std::string> DiskPathsNotInArchive() const;

    IShellVerbHost& m_host;
    const std::vector<std::string>* m_pDropFiles = nullptr;
    const std::vector<const CResultItem*>* m_pRecords = nullptr;
    std::function<std::vector<std::string>(const std::string&)> m_typeResolver;
    std::vector<CShellVerbRow> m_verbRows;
    std::vector<zb::DesktopApplication> m_applications;
    std::vector<CShellMenuItem> m_menu;
    std::map<UINT, Action> m_actions;
    DWORD m_dwAndFlags = 0;
    DWORD m_dwOrFlags = 0;
};
