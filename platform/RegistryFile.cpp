#include "platform/RegistryFile.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "platform/HexDigit.h"
#include "platform/TextCase.h"

namespace zb {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// Hex lists are wrapped so that no line grows past this many columns.
constexpr std::size_t kHexLineColumns = 80;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// 1 to `maxDigits` hex digits and nothing else.
bool ParseHexNumber(std::string_view digits, std::size_t maxDigits, DWORD& value) {
    if (digits.empty() || digits.size() > maxDigits)
        return false;
    value = 0;
    for (char c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0)
            return false;
        value = (value << 4) | static_cast<DWORD>(d);
    }
    return true;
}

bool ContainsAny(std::string_view s, std::string_view chars) {
    return s.find_first_of(chars) != std::string_view::npos;
}

class RegFileParser {
public:
    RegFileParser(const std::string& text, RegTree& tree) : m_text(text), m_tree(tree) {}

    bool Run(std::string& error) {
        if (m_text.empty())
            return true;  // a file never written to holds nothing
        std::string_view line;
        NextLine(line);
        if (line.substr(0, kUtf8Bom.size()) == kUtf8Bom)
            line.remove_prefix(kUtf8Bom.size());
        bool ok = Trim(line) == kHeader || Fail("the first line is not REGEDIT4");
        while (ok && NextLine(line)) {
            const std::string_view t = Trim(line);
            if (t.empty() || t.front() == ';')
                continue;
            if (t.front() == '[') {
                ok = t.back() == ']' ? ParseSection(t.substr(1, t.size() - 2))
                                     : Fail("a section header without \"]\"");
            } else {
                ok = ParseValueLine(t);
            }
        }
        if (!ok)
            error = m_error;
        return ok;
    }

private:
    bool NextLine(std::string_view& line) {
        if (m_pos >= m_text.size())
            return false;
        std::size_t end = m_text.find('\n', m_pos);
        if (end == std::string::npos)
            end = m_text.size();
        line = std::string_view(m_text).substr(m_pos, end - m_pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        m_pos = end + 1;
        ++m_lineNumber;
        return true;
    }

    bool Fail(const std::string& what) {
        m_error = "line " + std::to_string(m_lineNumber) + ": " + what;
        return false;
    }

    bool ParseSection(std::string_view path) {
        std::vector<std::string_view> parts;
        for (std::size_t start = 0;;) {
            const std::size_t sep = path.find('\\', start);
            parts.push_back(path.substr(start, sep == std::string_view::npos ? sep : sep - start));
            if (sep == std::string_view::npos)
                break;
            start = sep + 1;
        }
        static constexpr std::pair<std::string_view, RegRoot> kRootNames[] = {
            {"HKEY_LOCAL_MACHINE", kRegLocalMachine}, {"HKLM", kRegLocalMachine},
            {"HKEY_CURRENT_USER", kRegCurrentUser},   {"HKCU", kRegCurrentUser},
            {"HKEY_CLASSES_ROOT", kRegClassesRoot},   {"HKCR", kRegClassesRoot}};
        RegKeyNode* node = nullptr;
        for (const auto& [rootName, root] : kRootNames) {
            if (EqualsNoCase(parts.front(), rootName))
                node = &m_tree.roots[root];
        }
        if (node == nullptr)
            return Fail("an unknown root key");
        if (parts.size() - 1 > kMaxRegKeyDepth)
            return Fail("keys nested too deeply");
        for (std::size_t i = 1; i < parts.size(); ++i) {
            const std::string name(parts[i]);
            if (!IsValidRegKeyName(name))
                return Fail("an invalid key name");
            node = &node->AddSubkey(name);
        }
        m_current = node;
        return true;
    }

    // `rest` starts at the opening quote; on success it is left after the closing one.
    bool ParseQuoted(std::string_view& rest, std::string& out) {
        out.clear();
        for (std::size_t i = 1; i < rest.size(); ++i) {
            const char c = rest[i];
            if (c == '"') {
                rest.remove_prefix(i + 1);
                return true;
            }
            if (c == '\\') {
                if (++i == rest.size() || (rest[i] != '\\' && rest[i] != '"')) {
                    return Fail("an unknown escape in a string");
                }
                out += rest[i];
            } else {
                out += c;
            }
        }
        return Fail("a string without its closing quote");
    }

    // A comma-separated list of hex bytes starting in `first`; a line ending
    // in "\" continues on the next line.
    bool ParseHexList(std::string_view first, std::vector<BYTE>& out) {
        std::string list(Trim(first));
        while (!list.empty() && list.back() == '\\') {
            list.pop_back();
            std::string_view next;
            if (!NextLine(next))
                return Fail("a continued line at the end of the file");
            list += Trim(next);
        }
        std::string_view rest(list);
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view token = Trim(rest.substr(0, comma));
            DWORD byte = 0;
            // Only the list's last element may be empty (a trailing comma).
            const bool last = comma == std::string_view::npos || comma + 1 == rest.size();
            if (!(token.empty() && last)) {
                if (!ParseHexNumber(token, 2, byte))
                    return Fail("an invalid hex byte");
                if (out.size() == kMaxRegValueBytes)
                    return Fail("a value too large");
                out.push_back(static_cast<BYTE>(byte));
            }
            rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
        }
        return true;
    }

    bool ParseValueLine(std::string_view t) {
        if (m_current == nullptr)
            return Fail("a value outside any section");
        RegValue value;
        if (t.front() == '@') {
            t.remove_prefix(1);
        } else if (t.front() != '"' || !ParseQuoted(t, value.name)) {
            return m_error.empty() ? Fail("a line that is neither a section nor a value") : false;
        }
        if (!IsValidRegValueName(value.name))
            return Fail("an invalid value name");
        t = TrimLeft(t);
        if (t.empty() || t.front() != '=')
            return Fail("a value name without \"=\"");
        t = TrimLeft(t.substr(1));

        if (!t.empty() && t.front() == '"') {
            std::string text;
            if (!ParseQuoted(t, text))
                return false;
            if (!Trim(t).empty())
                return Fail("text after a string");
            if (text.find('\0') != std::string::npos)
                return Fail("a NUL inside a string");
            value.type = REG_SZ;
            value.data.assign(text.begin(), text.end());
        } else if (StartsWithNoCase(t, "dword:")) {
            DWORD number = 0;
            if (!ParseHexNumber(Trim(t.substr(6)), 8, number))
                return Fail("an invalid dword");
            value.type = REG_DWORD;
            value.data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                          static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
        } else if (StartsWithNoCase(t, "hex:")) {
            value.type = REG_BINARY;
            if (!ParseHexList(t.substr(4), value.data))
                return false;
        } else if (StartsWithNoCase(t, "hex(")) {
            const std::size_t close = t.find("):");
            if (close == std::string_view::npos ||
                !ParseHexNumber(t.substr(4, close - 4), 8, value.type)) {
                return Fail("an invalid hex(type)");
            }
            if (!ParseHexList(t.substr(close + 2), value.data))
                return false;
            if (value.type == REG_SZ) {
                // Stored text ends at its terminator.
                std::size_t end = 0;
                while (end < value.data.size() && value.data[end] != 0)
                    ++end;
                value.data.resize(end);
            } else if (value.type == REG_DWORD && value.data.size() != 4) {
                return Fail("a dword that is not 4 bytes");
            }
        } else {
            return Fail("an unknown value type");
        }
        if (value.data.size() > kMaxRegValueBytes)
            return Fail("a value too large");

        if (RegValue* existing = m_current->FindValue(value.name)) {
            existing->type = value.type;
            existing->data = std::move(value.data);
        } else {
            m_current->values.push_back(std::move(value));
        }
        return true;
    }

    const std::string& m_text;
    RegTree& m_tree;
    std::size_t m_pos = 0;
    std::size_t m_lineNumber = 0;
    RegKeyNode* m_current = nullptr;
    std::string m_error;
};

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

void AppendHexList(std::string& out, std::string line, const std::vector<BYTE>& bytes) {
    char piece[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool more = i + 1 < bytes.size();
        std::snprintf(piece, sizeof piece, more ? "%02x," : "%02x", bytes[i]);
        // Break after a comma, leaving room for the "\" that continues the line.
        if (i > 0 && line.size() + 2 + (more ? 1 : 0) + 1 > kHexLineColumns) {
            out += line;
            out += "\\\n";
            line = "  ";
        }
        line += piece;
    }
    out += line;
    out += '\n';
}

void AppendValue(std::string& out, const RegValue& value) {
    std::string line = value.name.empty() ? "@=" : Quote(value.name) + "=";
    const std::string text(value.data.begin(), value.data.end());
    char prefix[32];
    if (value.type == REG_SZ && !ContainsAny(text, "\r\n")) {
        out += line + Quote(text) + "\n";
    } else if (value.type == REG_SZ) {
        // A line break cannot stand inside a quoted string: the text goes as bytes.
        std::vector<BYTE> bytes = value.data;
        bytes.push_back(0);
        AppendHexList(out, line + "hex(1):", bytes);
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        const DWORD number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                             (static_cast<DWORD>(value.data[3]) << 24);
        std::snprintf(prefix, sizeof prefix, "dword:%08x\n", number);
        out += line + prefix;
    } else if (value.type == REG_BINARY) {
        AppendHexList(out, line + "hex:", value.data);
    } else {
        std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        AppendHexList(out, line + prefix, value.data);
    }
}

void AppendSection(std::string& out, const std::string& path, const RegKeyNode& key) {
    out += "[" + path + "]\n";
    for (const RegValue& value : key.values)
        AppendValue(out, value);
    out += '\n';
}

void AppendKeyAndSubkeys(std::string& out, const std::string& parentPath, const RegKeyNode& key) {
    const std::string path = parentPath + "\\" + key.name;
    AppendSection(out, path, key);
    for (const auto& entry : key.subkeys)
        AppendKeyAndSubkeys(out, path, *entry.second);
}

}  // namespace

std::string FoldRegName(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        c = AsciiLower(c);
    return folded;
}

bool IsValidRegKeyName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxRegKeyNameBytes &&
           !ContainsAny(name, std::string_view("\\\0\r\n", 4));
}

bool IsValidRegValueName(const std::string& name) {
    return name.size() <= kMaxRegValueNameBytes &&
           !ContainsAny(name, std::string_view("\0\r\n", 3));
}

RegValue* RegKeyNode::FindValue(const std::string& valueName) {
    return const_cast<RegValue*>(std::as_const(*this).FindValue(valueName));
}

const RegValue* RegKeyNode::FindValue(const std::string& valueName) const {
    for (const RegValue& value : values) {
        if (EqualsNoCase(value.name, valueName))
            return &value;
    }
    return nullptr;
}

RegKeyNode* RegKeyNode::FindSubkey(const std::string& keyName) const {
    const auto it = subkeys.find(FoldRegName(keyName));
    return it == subkeys.end() ? nullptr : it->second.get();
}

RegKeyNode& RegKeyNode::AddSubkey(const std::string& keyName) {
    auto [it, inserted] = subkeys.try_emplace(FoldRegName(keyName));
    if (inserted) {
        it->second = std::make_unique<RegKeyNode>();
        it->second->name = keyName;
    }
    return *it->second;
}

const char* RegRootName(RegRoot root) {
    switch (root) {
        case kRegLocalMachine:
            return "HKEY_LOCAL_MACHINE";
        case kRegCurrentUser:
            return "HKEY_CURRENT_USER";
        case kRegClassesRoot:
        case kRegRootCount:
            break;
    }
    return "HKEY_CLASSES_ROOT";
}

const RegKeyNode* RegTree::Find(RegRoot root, const std::vector<std::string>& path) const {
    const RegKeyNode* node = &roots[root];
    for (const std::string& name : path) {
        node = node->FindSubkey(name);
        if (node == nullptr)
            return nullptr;
    }
    return node;
}

RegKeyNode* RegTree::Find(RegRoot root, const std::vector<std::string>& path) {
    return const_cast<RegKeyNode*>(std::as_const(*this).Find(root, path));
}

bool ParseRegFile(const std::string& text, RegTree& tree, std::string& error) {
    return RegFileParser(text, tree).Run(error);
}

std::string FormatRegFile(const RegTree& tree) {
    std::string out(kHeader);
    out += "\n\n";
    for (std::size_t r = 0; r < kRegRootCount; ++r) {
        const RegRoot root = static_cast<RegRoot>(r);
        const RegKeyNode& node = tree.roots[root];
        if (!node.values.empty())
            AppendSection(out, RegRootName(root), node);
        for (const auto& entry : node.subkeys) {
            AppendKeyAndSubkeys(out, RegRootName(root), *entry.second);
        }
    }
    return out;
}

}  // namespace zb
