#include "platform/ClipboardFormat.h"

#include <mutex>
#include <vector>

namespace {

constexpr UINT kFirstRegisteredFormat = 0xC000;

struct FormatTable {
    std::mutex lock;
    std::vector<std::string> names;  // index + kFirstRegisteredFormat
};

FormatTable& Table() {
    static FormatTable table;
    return table;
}

}  // namespace

UINT RegisterClipboardFormat(const std::string& name) {
    if (name.empty())
        return 0;
    FormatTable& t = Table();
    std::lock_guard guard(t.lock);
    for (std::size_t i = 0; i < t.names.size(); ++i) {
        if (t.names[i] == name)
            return kFirstRegisteredFormat + static_cast<UINT>(i);
    }
    t.names.push_back(name);
    return kFirstRegisteredFormat + static_cast<UINT>(t.names.size() - 1);
}

std::string GetClipboardFormatName(UINT format) {
    FormatTable& t = Table();
    std::lock_guard guard(t.lock);
    if (format < kFirstRegisteredFormat || format - kFirstRegisteredFormat >= t.names.size())
        return {};
    return t.names[format - kFirstRegisteredFormat];
}
