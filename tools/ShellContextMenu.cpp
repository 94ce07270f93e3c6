#include "tools/ShellContextMenu.h"

#include <algorithm>
#include <set>

#include "platform/Registry.h"
#include "platform/TextCase.h"

namespace {

struct MenuRow {
    const char* text;
    const char* verb;
};

constexpr MenuRow kOwnVerbs[VERB_COUNT] = {
    {"E&xplore", "explore"}, {"&Open", "open"}, {"S&earch", "find"},
    {"&Print", "print"},     {"&Edit", "edit"},
};
constexpr MenuRow kFileOperations[FILEOP_COUNT] = {
    {"&Copy", "copy"},
    {"Cu&t", "cut"},
    {"&Delete", "delete"},
    {"Rena&me", "rename"},
};
constexpr MenuRow kProperties = {"P&roperties", "properties"};
constexpr const char* kOpenWithText = "Open &With";

// Ids are given out in blocks of this many; a longer list takes more blocks.
constexpr UINT kIdBlock = 50;

UINT BlocksFor(std::size_t count) {
    return std::max<UINT>(1, static_cast<UINT>((count + kIdBlock - 1) / kIdBlock)) * kIdBlock;
}

std::string DefaultValue(HKEY key, const std::string& subKey) {
    CRegKey reg;
    std::string value;
    if (reg.Open(key, subKey) == ERROR_SUCCESS)
        reg.QueryString("", value);
    return value;
}

}  // namespace

bool ParseVerbCommand(const std::string& line, std::string* program, std::string* params) {
    const std::string text(TrimWhiteSpace(line));
    if (text.empty())
        return false;
    std::size_t rest = 0;
    if (text.front() == '"') {
        const std::size_t close = text.find('"', 1);
        if (close == std::string::npos)
            return false;
        *program = text.substr(1, close - 1);
        rest = close + 1;
    } else {
        rest = std::min(text.find(' '), text.size());
        *program = text.substr(0, rest);
    }
    std::string parameters = text.substr(rest);
    // The file goes where the first %l (or %L), else the first %1, stands.
    std::size_t place = std::string::npos;
    for (std::size_t i = 0; i + 1 < parameters.size(); ++i) {
        if (parameters[i] == '%' && (parameters[i + 1] == 'l' || parameters[i + 1] == 'L')) {
            place = i;
            break;
        }
    }
    if (place == std::string::npos)
        place = parameters.find("%1");
    std::string out;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (i == place) {
            out += "%s";
            ++i;
        } else if (parameters[i] == '%' &&
                   (i + 1 == parameters.size() || parameters[i + 1] != 's')) {
            out += '?';
        } else {
            out += parameters[i];
        }
    }
    *params = out;
    return true;
}

std::vector<std::string> VerbArguments(const std::string& params, const std::string& path) {
    std::vector<std::string> arguments;
    std::string current;
    bool inToken = false;
    bool inQuotes = false;
    auto flush = [&] {
        if (inToken)
            arguments.push_back(current);
        current.clear();
        inToken = false;
    };
    for (std::size_t i = 0; i < params.size(); ++i) {
        const char c = params[i];
        if (c == '"') {
            inQuotes = !inQuotes;
            inToken = true;
        } else if (!inQuotes && (c == ' ' || c == '\t')) {
            flush();
        } else if (c == '%' && i + 1 < params.size() && params[i + 1] == 's') {
            current += path;
            inToken = true;
            ++i;
        } else {
            current += c;
            inToken = true;
        }
    }
    flush();
    return arguments;
}

CShellContextMenu::CShellContextMenu(IShellVerbHost& host) : m_host(host) {}

void CShellContextMenu::SetData(const std::vector<std::string>* dropFiles,
                                const std::vector<const CResultItem*>* records) {
    m_pDropFiles = dropFiles;
    m_pRecords = records;
    m_dwAndFlags = 0;
    m_dwOrFlags = 0;
    if (!records || records->empty())
        return;
    m_dwAndFlags = ~DWORD{0};
    for (const CResultItem* record : *records) {
        m_dwAndFlags &= record->m_dwFlags;
        m_dwOrFlags |= record->m_dwFlags;
    }
}

void CShellContextMenu::Reset() {
    m_pDropFiles = nullptr;
    m_pRecords = nullptr;
    m_verbRows.clear();
    m_applications.clear();
    m_menu.clear();
    m_actions.clear();
    m_dwAndFlags = 0;
    m_dwOrFlags = 0;
}

void CShellContextMenu::LoadVerbRows(const char* key, const char* tag) {
    CRegKey shell;
    if (shell.Open(HKEY_CLASSES_ROOT, key) != ERROR_SUCCESS)
        return;
    std::string name;
    for (DWORD index = 0; RegEnumKeyEx(shell.Handle(), index, &name) == ERROR_SUCCESS; ++index) {
        CShellVerbRow row;
        row.text = DefaultValue(shell.Handle(), name);
        if (row.text.empty())
            row.text = name;
        const std::string lower = LowerCaseUtf8(row.text);
        bool dropped = false;
        for (const char* own : {"explore", "open", "print", "find"})
            dropped = dropped || lower == own;
        for (const CShellVerbRow& existing : m_verbRows)
            dropped = dropped || LowerCaseUtf8(existing.text) == lower;
        if (dropped || !ParseVerbCommand(DefaultValue(shell.Handle(), name + "\\command"),
                                         &row.program, &row.params))
            continue;
        row.ddeCommand = DefaultValue(shell.Handle(), name + "\\ddeexec");
        row.ddeApplication = DefaultValue(shell.Handle(), name + "\\ddeexec\\application");
        row.ddeTopic = DefaultValue(shell.Handle(), name + "\\ddeexec\\topic");
        row.tag = tag;
        m_verbRows.push_back(std::move(row));
    }
}

void CShellContextMenu::LoadRegistryVerbs() {
    LoadVerbRows("Folder\\shell", "folder");
    LoadVerbRows("Directory\\shell", "directory");
}

void CShellContextMenu::CollectApplications() {
    if (!m_typeResolver || !m_pRecords)
        return;
    std::vector<std::vector<std::string>> chains;
    for (const CResultItem* record : *m_pRecords) {
        // A member is typed by its name: it has no file until it is extracted.
        std::string path = record->m_sName.str();
        if (!(record->m_dwFlags & RIF_IN_ARCHIVE) && !record->GetFilePath(&path))
            continue;
        std::vector<std::string> chain = m_typeResolver(path);
        if (chain.empty())
            return;  // a file of no known type: no application opens them all
        chains.push_back(std::move(chain));
    }
    m_applications = zb::FindApplicationsForTypes(chains);
}

void CShellContextMenu::AddItem(std::vector<CShellMenuItem>* menu, UINT id, const std::string& text,
                                ActionKind kind, int index) {
    // Blocks never overlap, so an id is never given twice.
    const bool added = m_actions.emplace(id, Action{kind, index}).second;
    if (added)
        menu->push_back(CShellMenuItem{id, text, {}});
}

int CShellContextMenu::BuildMenu(int /*position*/, UINT first, UINT /*last*/, UINT /*flags*/) {
    const std::vector<std::string>* dropFiles = m_pDropFiles;
    const std::vector<const CResultItem*>* records = m_pRecords;
    Reset();
    SetData(dropFiles, records);
    if (!m_pDropFiles || !m_pRecords || m_pRecords->empty())
        return -3;
    LoadRegistryVerbs();
    const bool allPathless = (m_dwAndFlags & RIF_NO_PATH) != 0;
    const bool allInArchive = (m_dwAndFlags & RIF_IN_ARCHIVE) != 0;
    const bool anyFolder = (m_dwOrFlags & RIF_FOLDER) != 0;
    if (!allPathless)
        CollectApplications();

    // Built from the bottom up, as the items stack above each other.
    std::vector<CShellMenuItem> bottom;
    AddItem(&bottom, first, kProperties.text, ActionKind::Properties, 0);
    UINT verbBase = first + kIdBlock;
    std::vector<CShellMenuItem> middle;
    if (!allPathless) {
        std::vector<CShellMenuItem> operations;
        for (int op = 0; op < FILEOP_COUNT; ++op) {
            if (op == FILEOP_COPY || !allInArchive)
                AddItem(&operations, first + kIdBlock + static_cast<UINT>(op),
                        kFileOperations[op].text, ActionKind::FileOperation, op);
        }
        const UINT applicationBase = first + 2 * kIdBlock;
        CShellMenuItem openWith{0, kOpenWithText, {}};
        for (std::size_t i = 0; i < m_applications.size(); ++i) {
            AddItem(&openWith.submenu, applicationBase + static_cast<UINT>(i),
                    m_applications[i].name.empty() ? m_applications[i].id : m_applications[i].name,
                    ActionKind::Application, static_cast<int>(i));
        }
        if (!openWith.submenu.empty())
            middle.push_back(std::move(openWith));
        middle.emplace_back();
        middle.insert(middle.end(), operations.begin(), operations.end());
        middle.emplace_back();
        verbBase = applicationBase + BlocksFor(m_applications.size());
    }
    std::vector<CShellMenuItem> top;
    const bool directoryVerbs = anyFolder && !allPathless;
    std::vector<CShellMenuItem> verbs;
    for (std::size_t row = 0; row < m_verbRows.size(); ++row) {
        const std::string& tag = m_verbRows[row].tag;
        if ((tag == "folder" && anyFolder) || (tag == "directory" && directoryVerbs))
            AddItem(&verbs, verbBase + static_cast<UINT>(row), m_verbRows[row].text,
                    ActionKind::RegistryVerb, static_cast<int>(row));
    }
    const UINT ownBase = verbBase + BlocksFor(m_verbRows.size());
    const bool shown[VERB_COUNT] = {
        anyFolder,
        true,
        directoryVerbs,
        !(m_dwAndFlags & (RIF_FOLDER | RIF_NO_PATH)),
        !(m_dwAndFlags & (RIF_FOLDER | RIF_IN_ARCHIVE)),
    };
    for (int verb = 0; verb < VERB_COUNT; ++verb) {
        if (shown[verb])
            AddItem(&top, ownBase + static_cast<UINT>(verb), kOwnVerbs[verb].text, ActionKind::Verb,
                    verb);
    }
    top.insert(top.end(), verbs.begin(), verbs.end());
    m_menu = std::move(top);
    m_menu.insert(m_menu.end(), middle.begin(), middle.end());
    if (allPathless)
        m_menu.emplace_back();
    m_menu.insert(m_menu.end(), bottom.begin(), bottom.end());
    return 0;
}

std::vector<UINT> CShellContextMenu::GetCommandIds() const {
    std::vector<UINT> ids;
    for (const auto& [id, action] : m_actions)
        ids.push_back(id);
    return ids;
}

std::vector<std::string> CShellContextMenu::DiskPathsNotInArchive() const {
    std::vector<std::string> paths;
    if (!m_pRecords)
        return paths;
    for (const CResultItem* record : *m_pRecords) {
        std::string path;
        if (!(record->m_dwFlags & (RIF_IN_ARCHIVE | RIF_NO_PATH)) && record->GetFilePath(&path))
            paths.push_back(std::move(path));
    }
    return paths;
}

void CShellContextMenu::DoShellVerb(int index) {
    if (index < 0 || index >= VERB_COUNT || !m_pRecords)
        return;
    const auto verb = static_cast<ShellVerb>(index);
    for (const CResultItem* record : *m_pRecords) {
        if (record->m_dwFlags & RIF_NO_PATH)
            m_host.RunVerbOnItem(verb, *record);
    }
    if (m_pDropFiles && !m_pDropFiles->empty())
        m_host.RunVerb(verb, *m_pDropFiles);
}

void CShellContextMenu::DoFileOperation(int index) {
    switch (index) {
        case FILEOP_COPY:
            m_host.PutSelectionOnClipboard(1);
            break;
        case FILEOP_CUT:
            m_host.PutSelectionOnClipboard(2);
            break;
        case FILEOP_DELETE: {
            const std::vector<std::string> paths = DiskPathsNotInArchive();
            if (!paths.empty())
                m_host.DeletePaths(paths);
            break;
        }
        default:
            break;  // rename: the caller renames
    }
}

bool CShellContextMenu::InvokeCommand(UINT id) {
    const auto found = m_actions.find(id);
    if (found == m_actions.end())
        return false;
    const Action action = found->second;
    switch (action.kind) {
        case ActionKind::Verb:
            DoShellVerb(action.index);
            break;
        case ActionKind::FileOperation:
            DoFileOperation(action.index);
            break;
        case ActionKind::Application:
            if (m_pDropFiles)
                m_host.LaunchApplication(m_applications[static_cast<std::size_t>(action.index)],
                                         *m_pDropFiles);
            break;
        case ActionKind::RegistryVerb: {
            const CShellVerbRow& row = m_verbRows[static_cast<std::size_t>(action.index)];
            for (const std::string& path : DiskPathsNotInArchive())
                m_host.RunProgram(row.program, VerbArguments(row.params, path));
            break;
        }
        case ActionKind::Properties: {
            std::vector<const CResultItem*> records;
            if (m_pRecords)
                records = *m_pRecords;
            m_host.ShowProperties(records);
            break;
        }
    }
    return true;
}

BOOL CShellContextMenu::NeedsExtraction(UINT id) const {
    if (!(m_dwOrFlags & RIF_IN_ARCHIVE))
        return FALSE;
    const auto found = m_actions.find(id);
    if (found == m_actions.end())
        return FALSE;
    const Action& action = found->second;
    switch (action.kind) {
        case ActionKind::Verb:
            return action.index == VERB_OPEN || action.index == VERB_PRINT ||
                   action.index == VERB_EDIT;
        case ActionKind::FileOperation:
            return action.index == FILEOP_COPY || action.index == FILEOP_CUT;
        case ActionKind::Application:
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL CShellContextMenu::IsDeleteCommand(UINT id) const {
    const auto found = m_actions.find(id);
    return found != m_actions.end() && found->second.kind == ActionKind::FileOperation &&
           found->second.index == FILEOP_DELETE;
}

BOOL CShellContextMenu::IsRenameCommand(UINT id) const {
    const auto found = m_actions.find(id);
    return found != m_actions.end() && found->second.kind == ActionKind::FileOperation &&
           found->second.index == FILEOP_RENAME;
}
