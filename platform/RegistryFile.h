#pragma once
// The registry's contents as a tree of keys, and their text form, the REGEDIT4
// export format:
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Zembrolt]
//   @="default value"
//   "Find Root Path"="/home/me"
//   "Version"=dword:00010104
//   "Last Pos"=hex:00,00,00,00,10,00,00,00
//
// Every key has a section (so empty keys survive); a root has one only when it
// holds values. Strings escape "\" and """ as "\\" and "\""; text holding a
// line break is written as hex(1) bytes, and types other than REG_SZ,
// REG_BINARY and REG_DWORD as hex(<type>) bytes. Reading also accepts blank
// lines, ";" comments and CR LF line ends. Long hex lists are wrapped: a line
// ending in "\" continues on the next one.

#include <array>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace zb {

// Limits the store keeps, so that everything it accepts can be written back.
constexpr std::size_t kMaxRegKeyNameBytes = 255;
constexpr std::size_t kMaxRegValueNameBytes = 16383;
constexpr std::size_t kMaxRegKeyDepth = 512;         // keys below a root
constexpr std::size_t kMaxRegValueBytes = 1u << 20;  // data of one value

// The form names are compared in: ASCII letters lower-cased, other bytes kept.
std::string FoldRegName(const std::string& name);

// A key name: 1 to 255 bytes, no "\", NUL, CR or LF.
bool IsValidRegKeyName(const std::string& name);
// A value name ("" is the default value): up to 16383 bytes, no NUL, CR or LF.
bool IsValidRegValueName(const std::string& name);

struct RegValue {
    std::string name;
    DWORD type = REG_BINARY;
    // REG_SZ: the text, no NUL and no terminator; REG_DWORD: 4 bytes.
    std::vector<BYTE> data;
};

struct RegKeyNode {
    std::string name;                                            // as created; empty for a root
    std::vector<RegValue> values;                                // in creation order
    std::map<std::string, std::unique_ptr<RegKeyNode>> subkeys;  // by folded name

    RegValue* FindValue(const std::string& valueName);
    const RegValue* FindValue(const std::string& valueName) const;
    RegKeyNode* FindSubkey(const std::string& keyName) const;
    // The subkey of that name, created when missing.
    RegKeyNode& AddSubkey(const std::string& keyName);
};

enum RegRoot : std::size_t { kRegLocalMachine, kRegCurrentUser, kRegClassesRoot, kRegRootCount };

// "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT".
const char* RegRootName(RegRoot root);

struct RegTree {
    std::array<RegKeyNode, kRegRootCount> roots;

    // The key at `path` (key names below `root`), or null.
    const RegKeyNode* Find(RegRoot root, const std::vector<std::string>& path) const;
    RegKeyNode* Find(RegRoot root, const std::vector<std::string>& path);
};

// Parses the text of a registry file into `tree` (which must be empty). On
// failure returns false with a one-line reason naming the line.
bool ParseRegFile(const std::string& text, RegTree& tree, std::string& error);

// The text of a registry file holding `tree`.
std::string FormatRegFile(const RegTree& tree);

}  // namespace zb
