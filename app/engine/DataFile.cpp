#include "app/engine/DataFile.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "app/engine/DataFileVersion.h"
#include "platform/Log.h"
#include "platform/PosixFile.h"
#include "platform/UserFiles.h"

namespace {

constexpr char kMagic[4] = {'Z', 'B', 'D', 'F'};
constexpr const char* kDataFolderName = "zembrolt";
constexpr const char* kDataFileName = "Zembrolt.dat";

// The fewest bytes each element of a section can take, so that a count is
// checked against the bytes left before anything is allocated for it.
constexpr std::size_t kMinGroupBytes = 2;        // two empty strings
constexpr std::size_t kMinHistoryItemBytes = 5;  // an empty text and a score
constexpr std::size_t kMinColumnBytes = 4;       // a column id
// A CSearchData with empty strings from a file older than 0x10009: three
// one-byte string lengths and 25 words.
constexpr std::size_t kMinSearchDataBytes = 3 + 25 * 4;
constexpr std::size_t kMinMacroBytes = 1 + 2 + 2 + kMinSearchDataBytes;

// Thrown when a section breaks a rule of the file; the load then fails.
struct DataFileError {};

// Reads a count that must lie in 0 to 0x7FFF and that must leave room for
// that many elements of at least `minBytesEach` bytes.
std::size_t ReadSectionCount(CArchive& ar, std::size_t minBytesEach) {
    std::int32_t count = 0;
    ar >> count;
    if (count < 0 || count > kMaxDataFileCount)
        throw DataFileError{};
    if (static_cast<std::size_t>(count) > ar.BytesLeft() / minBytesEach)
        throw CArchiveException("data file ends early");
    return static_cast<std::size_t>(count);
}

// How many of `size` elements are written: never more than a count may hold,
// so a file written is always one that can be read back.
std::size_t StoredCount(std::size_t size) {
    return std::min(size, static_cast<std::size_t>(kMaxDataFileCount));
}

void WriteSearchData(CArchive& ar, const CSearchData& data) {
    CSearchData copy(data);
    copy.Serialize(ar);
}

void ReadHistory(CArchive& ar, CComboHistory& history) {
    // Check the count against the bytes left before the history allocates
    // its items.
    CArchive peek = ar;
    std::int32_t count = 0;
    peek >> count;
    if (count >= 0 && count <= kMaxDataFileCount &&
        static_cast<std::size_t>(count) > peek.BytesLeft() / kMinHistoryItemBytes)
        throw CArchiveException("data file ends early");

    CComboHistory read;
    if (!read.LoadComboHistory(ar))
        throw DataFileError{};
    read.SetText(history.GetText());
    history = std::move(read);
}

void ReadSections(CArchive& ar, CDataFileContents& contents, IDataFileSection& sheet) {
    char magic[sizeof kMagic];
    ar.Read(magic, sizeof magic);
    if (std::memcmp(magic, kMagic, sizeof kMagic) != 0)
        throw DataFileError{};

    std::uint32_t version = 0;
    ar >> version;
    SetDataFileVersion(version);
    if (version != kCurrentDataFileVersion)
        DebugTrace("Different Version");

    ar >> contents.m_sFindString;

    {
        const std::size_t count = ReadSectionCount(ar, kMinGroupBytes);
        CFileTypeGroupArray groups(count);
        for (CFileTypeGroup& group : groups)
            ar >> group.m_sName >> group.m_sPatterns;
        if (version < kDataFileVersionOnlyFiles)
            MergeBuiltInGroups(groups);
        contents.m_Groups = std::move(groups);
    }

    ReadHistory(ar, contents.m_FileNameHistory);
    ReadHistory(ar, contents.m_LookInHistory);

    if (!sheet.ReadDataFile(ar))
        throw DataFileError{};

    {
        const std::size_t count = ReadSectionCount(ar, kMinSearchDataBytes);
        std::vector<CSearchData> searches(count);
        for (CSearchData& search : searches)
            search.Serialize(ar);
        contents.m_RecentSearches = std::move(searches);
    }

    {
        const std::size_t count = ReadSectionCount(ar, kMinMacroBytes);
        std::vector<CDataFileMacro> macros(count);
        for (CDataFileMacro& macro : macros) {
            macro.m_SearchData.Reset();
            ar >> macro.m_sName >> macro.m_wVirtualKey >> macro.m_wModifiers;
            macro.m_SearchData.Serialize(ar);
        }
        contents.m_Macros = std::move(macros);
    }

    {
        const std::size_t count = ReadSectionCount(ar, kMinColumnBytes);
        CColumnInfoArray columns;
        columns.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            std::int32_t id = 0;
            ar >> id;
            // A column this program does not know is left out; the groups,
            // histories and searches read before it stay loaded.
            if (const COLUMNINFO* info = GetColumnInfo(id))
                columns.push_back(*info);
        }
        contents.m_VisibleColumns = std::move(columns);
    }
}

}  // namespace

std::string GetDataFilePath() {
    const std::string dataHome = zb::UserDataHome();
    if (dataHome.empty())
        return {};
    return dataHome + "/" + kDataFolderName + "/" + kDataFileName;
}

void SetDataFileDefaults(CDataFileContents& contents) {
    BuildBuiltInGroups(contents.m_Groups);
    GetDefaultVisibleColumns(contents.m_VisibleColumns);
}

BOOL BuildDataFileBytes(const CDataFileContents& contents, IDataFileSection& sheet,
                        std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    CArchive ar(bytes);
    ar.Write(kMagic, sizeof kMagic);
    ar << static_cast<std::uint32_t>(kCurrentDataFileVersion);
    ar << contents.m_sFindString;

    const std::size_t groupCount = StoredCount(contents.m_Groups.size());
    ar.WriteCount(groupCount);
    for (std::size_t i = 0; i < groupCount; ++i)
        ar << contents.m_Groups[i].m_sName << contents.m_Groups[i].m_sPatterns;

    contents.m_FileNameHistory.SaveComboHistory(ar);
    contents.m_LookInHistory.SaveComboHistory(ar);

    if (!sheet.WriteDataFile(ar))
        return FALSE;

    // The newest recent searches are kept when there are too many.
    const std::vector<CSearchData>& searches = contents.m_RecentSearches;
    const std::size_t searchCount = StoredCount(searches.size());
    ar.WriteCount(searchCount);
    for (std::size_t i = searches.size() - searchCount; i < searches.size(); ++i)
        WriteSearchData(ar, searches[i]);

    const std::size_t macroCount = StoredCount(contents.m_Macros.size());
    ar.WriteCount(macroCount);
    for (std::size_t i = 0; i < macroCount; ++i) {
        const CDataFileMacro& macro = contents.m_Macros[i];
        ar << macro.m_sName << macro.m_wVirtualKey << macro.m_wModifiers;
        WriteSearchData(ar, macro.m_SearchData);
    }

    std::vector<std::int32_t> columnIds;
    for (const COLUMNINFO& column : contents.m_VisibleColumns) {
        if (column.nId != kDupNoColumnId)
            columnIds.push_back(column.nId);
    }
    columnIds.resize(StoredCount(columnIds.size()));
    ar.WriteCount(columnIds.size());
    for (const std::int32_t id : columnIds)
        ar << id;
    return TRUE;
}

BOOL SaveDataFile(const std::string& path, const CDataFileContents& contents,
                  IDataFileSection& sheet) {
    if (path.empty())
        return FALSE;
    std::vector<std::uint8_t> bytes;
    try {
        if (!BuildDataFileBytes(contents, sheet, bytes))
            return FALSE;
    } catch (const std::exception&) {
        return FALSE;
    }
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !zb::CreateFolders(path.substr(0, slash), 0700))
        return FALSE;
    return zb::WriteFileAtomically(path, bytes.data(), bytes.size(), 0600) ? TRUE : FALSE;
}

BOOL ReadDataFileBytes(const void* data, std::size_t size, CDataFileContents& contents,
                       IDataFileSection& sheet) {
    CArchive ar(data, size);
    try {
        ReadSections(ar, contents, sheet);
    } catch (const DataFileError&) {
        return FALSE;
    } catch (const std::exception&) {
        return FALSE;
    }
    return TRUE;
}

BOOL LoadDataFile(const std::string& path, CDataFileContents& contents, IDataFileSection& sheet) {
    std::string bytes;
    if (path.empty() || !zb::ReadWholeFile(path, kMaxDataFileBytes, bytes))
        return FALSE;
    return ReadDataFileBytes(bytes.data(), bytes.size(), contents, sheet);
}
