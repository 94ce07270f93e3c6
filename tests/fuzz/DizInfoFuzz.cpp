// Reads arbitrary bytes as an archive and shows the first line of its
// FILE_ID.DIZ member, as the Comments column does. The first byte chooses
// the kind of archive (by the file's extension), the rest is the archive.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzTempFile.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/details/DizInfoProvider.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CDizInfoProvider provider;
    static const bool ready = [] {
        InitArchiveHandlers();
        return provider.InitExtensions() != FALSE;
    }();
    if (!ready || size == 0)
        return 0;
    const std::vector<std::string>& extensions = provider.GetExtensions();
    const std::string& path = zbfuzz::FuzzFilePath("." + extensions[data[0] % extensions.size()]);
    if (!zbfuzz::WriteFuzzFile(path, data + 1, size - 1))
        return 0;
    CProviderItem item;
    item.m_sName = path.substr(path.rfind('/') + 1);
    item.m_sPath = path;
    if (provider.Load(item)) {
        COLUMNVALUE value;
        provider.GetValue(6, &value);
    }
    provider.Reset();
    CloseAllArchives();
    return 0;
}
