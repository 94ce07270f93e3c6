#include "platform/Registry.h"

#include <cstring>
#include <functional>
#include <iterator>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/RegistryStore.h"

namespace {

using zb::RegKeyNode;
using zb::RegRoot;
using zb::RegTree;
using zb::RegValue;

// What a handle names: a root and the key names below it.
struct KeyPath {
    RegRoot root = zb::kRegLocalMachine;
    std::vector<std::string> names;
};

constexpr std::uintptr_t kRootHandleBase = 0x80000000u;
// Handle values count up from here, far from the predefined roots.
constexpr std::uintptr_t kFirstHandle = 0x1000;
constexpr std::uintptr_t kHandleStep = 4;

class HandleTable {
public:
    static HandleTable& Instance() {
        static HandleTable table;
        return table;
    }

    HKEY Add(KeyPath path) {
        std::lock_guard guard(m_mutex);
        const std::uintptr_t id = m_next;
        m_next += kHandleStep;
        if (m_next >= kRootHandleBase && m_next < kRootHandleBase + zb::kRegRootCount) {
            m_next = kRootHandleBase + zb::kRegRootCount + kHandleStep;
        }
        m_keys.emplace(id, std::move(path));
        return reinterpret_cast<HKEY>(id);
    }

    bool Remove(HKEY key) {
        std::lock_guard guard(m_mutex);
        return m_keys.erase(reinterpret_cast<std::uintptr_t>(key)) == 1;
    }

    // ERROR_INVALID_HANDLE unless `key` is a root or an open handle.
    LONG Lookup(HKEY key, KeyPath& path) {
        if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT) {
            path.root = key == HKEY_LOCAL_MACHINE  ? zb::kRegLocalMachine
                        : key == HKEY_CURRENT_USER ? zb::kRegCurrentUser
                                                   : zb::kRegClassesRoot;
            path.names.clear();
            return ERROR_SUCCESS;
        }
        std::lock_guard guard(m_mutex);
        const auto it = m_keys.find(reinterpret_cast<std::uintptr_t>(key));
        if (it == m_keys.end())
            return ERROR_INVALID_HANDLE;
        path = it->second;
        return ERROR_SUCCESS;
    }

private:
    std::mutex m_mutex;
    std::unordered_map<std::uintptr_t, KeyPath> m_keys;
    std::uintptr_t m_next = kFirstHandle;
};

// The key `subKey` (names separated by "\") below `key`.
LONG ResolveSubKey(HKEY key, const std::string& subKey, KeyPath& base, KeyPath& target) {
    const LONG result = HandleTable::Instance().Lookup(key, base);
    if (result != ERROR_SUCCESS)
        return result;
    target = base;
    for (std::size_t start = 0; !subKey.empty();) {
        const std::size_t sep = subKey.find('\\', start);
        std::string name = subKey.substr(start, sep == std::string::npos ? sep : sep - start);
        if (!zb::IsValidRegKeyName(name))
            return ERROR_INVALID_PARAMETER;
        target.names.push_back(std::move(name));
        if (sep == std::string::npos)
            break;
        start = sep + 1;
    }
    return target.names.size() <= zb::kMaxRegKeyDepth ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

LONG ReadKey(HKEY key, const std::function<LONG(const RegKeyNode&)>& read) {
    KeyPath path;
    const LONG result = HandleTable::Instance().Lookup(key, path);
    if (result != ERROR_SUCCESS)
        return result;
    return zb::RegistryStore::Instance().Read([&](const RegTree& tree) {
        const RegKeyNode* node = tree.Find(path.root, path.names);
        return node != nullptr ? read(*node) : ERROR_KEY_DELETED;
    });
}

LONG ChangeKey(HKEY key, const std::function<LONG(RegKeyNode&, bool&)>& change) {
    KeyPath path;
    const LONG result = HandleTable::Instance().Lookup(key, path);
    if (result != ERROR_SUCCESS)
        return result;
    return zb::RegistryStore::Instance().Write([&](RegTree& tree, bool& changed) {
        RegKeyNode* node = tree.Find(path.root, path.names);
        return node != nullptr ? change(*node, changed) : ERROR_KEY_DELETED;
    });
}

// A value's bytes as callers see them: text with its terminating NUL.
std::vector<BYTE> CallerBytes(const RegValue& value) {
    std::vector<BYTE> bytes = value.data;
    if (value.type == REG_SZ)
        bytes.push_back(0);
    return bytes;
}

// ERROR_SUCCESS when `target` exists; ERROR_FILE_NOT_FOUND when only its
// base key does; ERROR_KEY_DELETED when the base key is gone too.
LONG LookUpKey(const KeyPath& base, const KeyPath& target) {
    return zb::RegistryStore::Instance().Read([&](const RegTree& tree) {
        if (tree.Find(target.root, target.names) != nullptr)
            return ERROR_SUCCESS;
        return tree.Find(base.root, base.names) != nullptr ? ERROR_FILE_NOT_FOUND
                                                           : ERROR_KEY_DELETED;
    });
}

}  // namespace

LONG RegCreateKeyEx(HKEY key, const std::string& subKey, HKEY* result) {
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyPath base;
    KeyPath target;
    LONG status = ResolveSubKey(key, subKey, base, target);
    if (status != ERROR_SUCCESS)
        return status;
    auto& store = zb::RegistryStore::Instance();
    // Most calls meet an existing key: look before taking the file lock.
    status = LookUpKey(base, target);
    if (status == ERROR_FILE_NOT_FOUND) {
        status = store.Write([&](RegTree& tree, bool& changed) {
            RegKeyNode* node = tree.Find(base.root, base.names);
            if (node == nullptr)
                return ERROR_KEY_DELETED;
            for (std::size_t i = base.names.size(); i < target.names.size(); ++i) {
                RegKeyNode* child = node->FindSubkey(target.names[i]);
                if (child == nullptr) {
                    child = &node->AddSubkey(target.names[i]);
                    changed = true;
                }
                node = child;
            }
            return ERROR_SUCCESS;
        });
    }
    if (status != ERROR_SUCCESS)
        return status;
    *result = HandleTable::Instance().Add(std::move(target));
    return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY key, const std::string& subKey, HKEY* result) {
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyPath base;
    KeyPath target;
    LONG status = ResolveSubKey(key, subKey, base, target);
    if (status != ERROR_SUCCESS)
        return status;
    status = LookUpKey(base, target);
    if (status != ERROR_SUCCESS)
        return status;
    *result = HandleTable::Instance().Add(std::move(target));
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT) {
        return ERROR_SUCCESS;
    }
    return HandleTable::Instance().Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueEx(HKEY key, const std::string& name, DWORD* type, BYTE* data, DWORD* size) {
    if (data != nullptr && size == nullptr)
        return ERROR_INVALID_PARAMETER;
    DWORD foundType = 0;
    std::vector<BYTE> bytes;
    const LONG status = ReadKey(key, [&](const RegKeyNode& node) {
        const RegValue* value = node.FindValue(name);
        if (value == nullptr)
            return ERROR_FILE_NOT_FOUND;
        foundType = value->type;
        bytes = CallerBytes(*value);
        return ERROR_SUCCESS;
    });
    if (status != ERROR_SUCCESS)
        return status;
    if (type != nullptr)
        *type = foundType;
    const DWORD needed = static_cast<DWORD>(bytes.size());
    if (data != nullptr) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed > 0)
            std::memcpy(data, bytes.data(), needed);
    }
    if (size != nullptr)
        *size = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size) {
    if (!zb::IsValidRegValueName(name) || (data == nullptr && size > 0) ||
        size > zb::kMaxRegValueBytes || (type == REG_DWORD && size != 4)) {
        return ERROR_INVALID_PARAMETER;
    }
    RegValue value{name, type, {}};
    if (size > 0) {
        const BYTE* end = data + size;
        if (type == REG_SZ) {
            // The text ends at its terminator, counted by the caller or not.
            if (const void* nul = std::memchr(data, 0, size))
                end = static_cast<const BYTE*>(nul);
        }
        value.data.assign(data, end);
    }
    return ChangeKey(key, [&](RegKeyNode& node, bool& changed) {
        RegValue* existing = node.FindValue(name);
        if (existing == nullptr) {
            node.values.push_back(std::move(value));
            changed = true;
        } else if (existing->type != value.type || existing->data != value.data) {
            existing->type = value.type;
            existing->data = std::move(value.data);
            changed = true;
        }
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY key, const std::string& name) {
    return ChangeKey(key, [&](RegKeyNode& node, bool& changed) {
        const RegValue* value = node.FindValue(name);
        if (value == nullptr)
            return ERROR_FILE_NOT_FOUND;
        node.values.erase(node.values.begin() + (value - node.values.data()));
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteTree(HKEY key, const std::string& subKey) {
    KeyPath base;
    KeyPath target;
    const LONG status = ResolveSubKey(key, subKey, base, target);
    if (status != ERROR_SUCCESS)
        return status;
    if (target.names.empty())
        return ERROR_ACCESS_DENIED;  // a root stays
    return zb::RegistryStore::Instance().Write([&](RegTree& tree, bool& changed) {
        RegKeyNode* node = tree.Find(base.root, base.names);
        if (node == nullptr)
            return ERROR_KEY_DELETED;
        if (target.names.size() == base.names.size()) {
            // No subkey named: the key stays and loses its contents.
            changed = !node->values.empty() || !node->subkeys.empty();
            node->values.clear();
            node->subkeys.clear();
            return ERROR_SUCCESS;
        }
        const std::string last = target.names.back();
        target.names.pop_back();
        RegKeyNode* parent = tree.Find(target.root, target.names);
        target.names.push_back(last);
        if (parent == nullptr || parent->subkeys.erase(zb::FoldRegName(last)) == 0) {
            return ERROR_FILE_NOT_FOUND;
        }
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKeyEx(HKEY key, DWORD index, std::string* name) {
    if (name == nullptr)
        return ERROR_INVALID_PARAMETER;
    return ReadKey(key, [&](const RegKeyNode& node) {
        if (index >= node.subkeys.size())
            return ERROR_NO_MORE_ITEMS;
        *name = std::next(node.subkeys.begin(), index)->second->name;
        return ERROR_SUCCESS;
    });
}

LONG RegEnumValue(HKEY key, DWORD index, std::string* name, DWORD* type, std::vector<BYTE>* data) {
    return ReadKey(key, [&](const RegKeyNode& node) {
        if (index >= node.values.size())
            return ERROR_NO_MORE_ITEMS;
        const RegValue& value = node.values[index];
        if (name != nullptr)
            *name = value.name;
        if (type != nullptr)
            *type = value.type;
        if (data != nullptr)
            *data = CallerBytes(value);
        return ERROR_SUCCESS;
    });
}

CRegKey::CRegKey(CRegKey&& other) noexcept : m_key(std::exchange(other.m_key, nullptr)) {}

CRegKey& CRegKey::operator=(CRegKey&& other) noexcept {
    if (this != &other) {
        Close();
        m_key = std::exchange(other.m_key, nullptr);
    }
    return *this;
}

LONG CRegKey::Create(HKEY parent, const std::string& subKey) {
    Close();
    return RegCreateKeyEx(parent, subKey, &m_key);
}

LONG CRegKey::Open(HKEY parent, const std::string& subKey) {
    Close();
    return RegOpenKeyEx(parent, subKey, &m_key);
}

LONG CRegKey::Close() {
    if (m_key == nullptr)
        return ERROR_SUCCESS;
    return RegCloseKey(std::exchange(m_key, nullptr));
}

LONG CRegKey::QueryTyped(const std::string& name, DWORD wantType, std::vector<BYTE>& bytes) const {
    // Another process may change the value between asking its size and
    // reading it; then ask again.
    constexpr int kAttempts = 8;
    LONG status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < kAttempts && status == ERROR_MORE_DATA; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        status = RegQueryValueEx(m_key, name, &type, nullptr, &size);
        if (status != ERROR_SUCCESS)
            return status;
        if (type != wantType)
            return ERROR_INVALID_DATA;
        std::vector<BYTE> read(size);
        status = RegQueryValueEx(m_key, name, &type, read.data(), &size);
        if (status == ERROR_SUCCESS && type != wantType)
            return ERROR_INVALID_DATA;
        if (status == ERROR_SUCCESS) {
            read.resize(size);
            bytes = std::move(read);
        }
    }
    return status;
}

LONG CRegKey::QueryDWORD(const std::string& name, DWORD& value) const {
    std::vector<BYTE> bytes;
    const LONG status = QueryTyped(name, REG_DWORD, bytes);
    if (status != ERROR_SUCCESS)
        return status;
    value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<DWORD>(bytes[3]) << 24);
    return ERROR_SUCCESS;
}

LONG CRegKey::QueryString(const std::string& name, std::string& value) const {
    std::vector<BYTE> bytes;
    const LONG status = QueryTyped(name, REG_SZ, bytes);
    if (status != ERROR_SUCCESS)
        return status;
    value.assign(bytes.begin(), bytes.end() - 1);  // without the terminating NUL
    return ERROR_SUCCESS;
}

LONG CRegKey::QueryBinary(const std::string& name, std::vector<BYTE>& value) const {
    return QueryTyped(name, REG_BINARY, value);
}

LONG CRegKey::SetDWORD(const std::string& name, DWORD value) {
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                           static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    return RegSetValueEx(m_key, name, REG_DWORD, bytes, sizeof bytes);
}

LONG CRegKey::SetString(const std::string& name, const std::string& value) {
    if (value.size() >= zb::kMaxRegValueBytes)
        return ERROR_INVALID_PARAMETER;
    return RegSetValueEx(m_key, name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
}

LONG CRegKey::SetBinary(const std::string& name, const void* data, DWORD size) {
    return RegSetValueEx(m_key, name, REG_BINARY, static_cast<const BYTE*>(data), size);
}
