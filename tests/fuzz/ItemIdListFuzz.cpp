// Checks arbitrary bytes as an item identifier list and, when they are one,
// walks, copies and names it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellHelper.h"
#include "platform/shell/ShellItem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t listSize = ILValidSize(data, size);
    if (listSize == 0)
        return 0;
    PidlPtr list(ILAlloc(listSize));
    if (!list)
        return 0;
    std::memcpy(list.get(), data, listSize);
    ILGetCount(list.get());
    PidlPtr parent(CShellHelper::CopyParentPidl(list.get()));
    PidlPtr joined(CShellHelper::ConcatPidls(parent.get(), ILFindLast(list.get())));
    zb::ShellItem item;
    zb::DecodeItem(list.get(), &item);
    std::string path;
    SHGetPathFromIDList(list.get(), &path);
    return 0;
}
