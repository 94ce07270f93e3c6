#pragma once
// The program data file: everything the main window remembers between runs
// that is not a registry setting. It lives at
// $XDG_DATA_HOME/zembrolt/Zembrolt.dat and is read once at start and written
// when the window is closed.
//
// Layout (the CArchive encoding: 32-bit little-endian words, length-prefixed
// strings, no padding, no class tags):
//   1  the 4 bytes "ZBDF"
//   2  version word (0x10104 when written)
//   3  the file-name text
//   4  file type groups: count, then per group its name and patterns
//   5  file-name history: count, then per entry its text and score
//   6  look-in history: the same
//   7  the option sheet's section (written and read by the sheet)
//   8  recent searches: count, then per search its CSearchData
//   9  macros: count, then per macro its name, hot key (virtual-key code and
//      modifier flags, 16 bits each) and CSearchData
//  10  visible columns: count, then per column its id
// Every count read must lie in 0 to 0x7FFF.

#include <cstdint>
#include <string>
#include <vector>

#include "app/engine/ComboHistory.h"
#include "app/engine/FileTypeGroups.h"
#include "app/engine/SearchData.h"
#include "platform/Archive.h"
#include "platform/WinTypes.h"
#include "readers/details/ColumnInfo.h"

// The duplicate finder's "Dup No" column, which is never stored.
constexpr std::int32_t kDupNoColumnId = 1300;
// The largest count a section may hold.
constexpr std::int32_t kMaxDataFileCount = 0x7FFF;
// The largest data file that is read.
constexpr std::size_t kMaxDataFileBytes = 256u << 20;

// A saved search with its name and optional hot key.
struct CDataFileMacro {
    std::string m_sName;
    WORD m_wVirtualKey = 0;  // 0: no hot key
    WORD m_wModifiers = 0;   // 1 Shift, 2 Ctrl, 4 Alt, 8 extended key
    CSearchData m_SearchData;
    friend bool operator==(const CDataFileMacro&, const CDataFileMacro&) = default;
};

// What the main window keeps in the data file, apart from the option sheet.
struct CDataFileContents {
    std::string m_sFindString;  // the text of the file-name field
    CFileTypeGroupArray m_Groups;
    CComboHistory m_FileNameHistory;  // the items are stored, not the current text
    CComboHistory m_LookInHistory;
    std::vector<CSearchData> m_RecentSearches;  // oldest first
    std::vector<CDataFileMacro> m_Macros;       // in creation order
    CColumnInfoArray m_VisibleColumns;          // in display order
};

// The option sheet's section of the file: the active page and the
// include-string history. Each returns FALSE on failure; reading may also
// throw CArchiveException when the file ends early.
class IDataFileSection {
public:
    virtual ~IDataFileSection() = default;
    virtual BOOL WriteDataFile(CArchive& ar) = 0;
    virtual BOOL ReadDataFile(CArchive& ar) = 0;
};

// $XDG_DATA_HOME/zembrolt/Zembrolt.dat ($HOME/.local/share when
// XDG_DATA_HOME is not set); empty when neither is known.
std::string GetDataFilePath();

// The contents without a data file or after a failed load: the built-in
// groups and the columns visible by default. Other members stay.
void SetDataFileDefaults(CDataFileContents& contents);

// Writes the file at `path` (its folder is created when missing). The new
// file replaces the old one only when every section was written; otherwise,
// and when it cannot be written, the old file stays and the result is 0.
BOOL SaveDataFile(const std::string& path, const CDataFileContents& contents,
                  IDataFileSection& sheet);

// Reads the file at `path` into `contents` and the sheet. The version word
// becomes the process-wide data-file version (SetDataFileVersion); a visible
// column whose id the column table lacks is left out. 0 for a missing or
// unreadable file, a wrong magic, a count outside 0 to 0x7FFF, a failed sheet
// section or a file that ends early:
// sections read before the failure keep what they read, the failed one and
// those after it keep what they held. A file older than 0x10104 gets the
// built-in groups it lacks merged in.
BOOL LoadDataFile(const std::string& path, CDataFileContents& contents, IDataFileSection& sheet);

// The same over bytes in memory (the file's whole contents).
BOOL ReadDataFileBytes(const void* data, std::size_t size, CDataFileContents& contents,
                       IDataFileSection& sheet);
// The file's bytes, or FALSE when the sheet's section failed.
BOOL BuildDataFileBytes(const CDataFileContents& contents, IDataFileSection& sheet,
                        std::vector<std::uint8_t>& bytes);
