#pragma once
// File type groups: named sets of file-name patterns ("Audio" holds the
// patterns of audio files). The main window keeps a list of them in display
// order, offers their names in the ">" menu beside the file-name field and
// stores the list in the data file. Without a data file the built-in groups
// are used; a data file older than version 0x10104 gets the built-in groups it
// lacks merged in.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

struct CFileTypeGroup {
    std::string m_sName;
    std::string m_sPatterns;  // file-name patterns separated by ';', as typed
    friend bool operator==(const CFileTypeGroup&, const CFileTypeGroup&) = default;
};

using CFileTypeGroupArray = std::vector<CFileTypeGroup>;

// The group menu's command of the group at index i is 50000 + i.
constexpr UINT ID_FILE_TYPE_GROUP_FIRST = 50000;
// The list grows in steps of this many groups when built from the built-ins.
constexpr std::size_t kFileTypeGroupGrowBy = 32;

// The eleven built-in groups in their fixed order ("All Files" first).
const CFileTypeGroupArray& GetBuiltInGroups();

// Empties `groups` and appends the built-in groups.
void BuildBuiltInGroups(CFileTypeGroupArray& groups);

// Adds each built-in group, in table order, whose name is not in `groups`
// (exact, case-sensitive test): before the first group whose name compares
// greater byte by byte, or at the end when there is none.
void MergeBuiltInGroups(CFileTypeGroupArray& groups);

// The menu command of the group at `index`.
UINT GetFileTypeGroupCommand(std::size_t index);
// The group a menu command names, or null when the command names none.
const CFileTypeGroup* FindFileTypeGroupByCommand(const CFileTypeGroupArray& groups, UINT command);
