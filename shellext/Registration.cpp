// The registration half of the library: the rows that register the Find
// extension and its "Zembrolt Utility..." entry, and their removal together
// with the "Find with Zembrolt" verbs that the main program's first run adds.
// On Linux the Find entry is the launcher in the application menus, and the
// verbs are also the file managers' actions (platform/DesktopIntegration).

#include <array>
#include <string>

#include "platform/DesktopIntegration.h"
#include "platform/Log.h"
#include "platform/ProgramKey.h"
#include "shellext/Exports.h"
#include "shellext/ProgramLocation.h"

namespace {

constexpr const char* kClassId = "{5B3E9A14-C2D7-4F60-9E81-3A7D0C4B2F95}";
constexpr const char* kFindVerb = "Find with Zembrolt";
constexpr const char* kExtensionName = "Zembrolt Context Menu Extension";
constexpr const char* kFindExtensionsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FindExtensions\\Static\\Zembrolt";

// What unregistration does with a row.
enum class Removal { kNothing, kDeleteKey, kDeleteValue };

// One registration row. In the key, the value name and the data, "%c" stands
// for the class id and "%m" for the library's path.
struct RegistrationRow {
    HKEY root;
    std::string key;
    std::string valueName;  // "" is the key's default value
    std::string data;
    Removal removal;
};

std::string Expand(const std::string& text, const std::string& module) {
    std::string expanded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 'c' || text[i + 1] == 'm')) {
            expanded += text[i + 1] == 'c' ? kClassId : module;
            ++i;
        } else {
            expanded += text[i];
        }
    }
    return expanded;
}

std::array<RegistrationRow, 7> RegistrationRows(const std::string& module) {
    const std::string findKey = kFindExtensionsKey;
    std::array<RegistrationRow, 7> rows{{
        {HKEY_CLASSES_ROOT, "CLSID\\%c", "", kExtensionName, Removal::kDeleteKey},
        {HKEY_CLASSES_ROOT, "CLSID\\%c\\InprocServer32", "", "%m", Removal::kDeleteKey},
        {HKEY_CLASSES_ROOT, "CLSID\\%c\\InprocServer32", "ThreadingModel", "Apartment",
         Removal::kNothing},
        {HKEY_LOCAL_MACHINE,
         "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", "%c",
         kExtensionName, Removal::kDeleteValue},
        {HKEY_LOCAL_MACHINE, findKey, "", "%c", Removal::kDeleteKey},
        {HKEY_LOCAL_MACHINE, findKey + "\\0", "", "Zembrolt Utility...", Removal::kDeleteKey},
        {HKEY_LOCAL_MACHINE, findKey + "\\0\\DefaultIcon", "", "%m,0", Removal::kDeleteKey},
    }};
    for (RegistrationRow& row : rows) {
        row.key = Expand(row.key, module);
        row.valueName = Expand(row.valueName, module);
        row.data = Expand(row.data, module);
    }
    return rows;
}

// Reads the text value `name` of `root`\`subKey` through a 260-byte buffer.
bool QueryText(HKEY root, const std::string& subKey, const char* name, std::string& text) {
    CRegKey key;
    return key.Open(root, subKey) == ERROR_SUCCESS &&
           QueryLimitedString(key, name, kMaxRegTextRead, text) == ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyEx(root, key, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

// Deletes `key` with its subkeys; true when it existed and went. Only a key
// that exists is deleted, so the registry store is never made for nothing.
bool DeleteKey(HKEY root, const std::string& key) {
    return KeyExists(root, key) && RegDeleteTree(root, key) == ERROR_SUCCESS;
}

// Deletes HKEY_CLASSES_ROOT\<classKey>\shell\Find with Zembrolt. Keys that do
// not exist are not made.
void RemoveVerbBelow(const std::string& classKey) {
    DeleteKey(HKEY_CLASSES_ROOT, classKey + "\\shell\\" + kFindVerb);
}

void RemoveFolderFindVerb() {
    RemoveVerbBelow("Folder");
}

void RemoveArchiveFindVerb(const char* extension) {
    std::string progId;
    if (QueryText(HKEY_CLASSES_ROOT, extension, "", progId) && !progId.empty())
        RemoveVerbBelow(progId);
}

void RemoveFindVerbs() {
    static constexpr const char* kArchiveExtensions[] = {".zip",    ".pak", ".rar", ".tgz", ".tar",
                                                         ".tar.gz", ".gz",  ".cab", ".ace", ".arj",
                                                         ".bz",     ".bz2", ".tbz", ".tbz2"};
    RemoveFolderFindVerb();
    for (const char* extension : kArchiveExtensions)
        RemoveArchiveFindVerb(extension);
}

}  // namespace

HRESULT DllRegisterServer() {
    const std::string module = LibraryPath();
    for (const RegistrationRow& row : RegistrationRows(module)) {
        HKEY key = nullptr;
        if (RegCreateKeyEx(row.root, row.key, &key) != ERROR_SUCCESS)
            return SELFREG_E_CLASS;
        const LONG written = RegSetValueEx(key, row.valueName, REG_SZ,
                                           reinterpret_cast<const BYTE*>(row.data.c_str()),
                                           static_cast<DWORD>(row.data.size() + 1));
        RegCloseKey(key);
        if (written != ERROR_SUCCESS)
            return SELFREG_E_CLASS;
    }
    return zb::RegisterUtilityLauncher(MainProgramPath()) ? S_OK : SELFREG_E_CLASS;
}

HRESULT DllUnregisterServer() {
    try {
        HRESULT result = S_OK;
        RemoveFindVerbs();
        if (!zb::UnregisterFindActions())
            result = SELFREG_E_CLASS;

        const auto rows = RegistrationRows(LibraryPath());
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
            if (row->removal == Removal::kDeleteKey) {
                if (!DeleteKey(row->root, row->key))
                    result = SELFREG_E_CLASS;
            } else if (row->removal == Removal::kDeleteValue) {
                HKEY key = nullptr;
                if (RegOpenKeyEx(row->root, row->key, &key) != ERROR_SUCCESS)
                    continue;
                if (RegDeleteValue(key, row->valueName) != ERROR_SUCCESS)
                    result = SELFREG_E_CLASS;
                RegCloseKey(key);
            }
        }
        if (!zb::UnregisterUtilityLauncher())
            result = SELFREG_E_CLASS;
        return result;
    } catch (...) {
        DebugTrace("DllUnregisterServer failed");
        return E_ACCESSDENIED;
    }
}
