#include "readers/details/MaxThumbnailProvider.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/CompoundFile.h"
#include "platform/PropertySet.h"
#include "readers/details/DibStretch.h"

namespace {

constexpr std::uint32_t kThumbnailProperty = 17;
constexpr std::uint64_t kMaxSummaryStream = 64u << 20;
constexpr std::size_t kWidthOffset = 10;
constexpr std::size_t kHeightOffset = 12;

// The thumbnail property's data, from its clipboard format tag on; empty
// when the file has none.
std::string ReadThumbnailBlob(std::unique_ptr<zb::ByteSource> source) {
    zb::CompoundFile file;
    std::vector<std::uint8_t> stream;
    if (!file.Open(std::move(source)) ||
        !file.ReadRootStream(zb::kSummaryInformationStream, kMaxSummaryStream, stream))
        return std::string();
    zb::PropertySetReader reader;
    if (!reader.Open(stream))
        return std::string();
    std::string blob;
    // A property met before the set turns out damaged still counts.
    reader.ReadProperties([](std::uint32_t id) { return id == kThumbnailProperty; },
                          [&blob](const zb::PropertyValue& value) {
                              if (value.type == VT_CF)
                                  blob = value.text;
                              return true;
                          });
    return blob;
}

}  // namespace

BOOL CMaxThumbnailProvider::InitExtensions() {
    m_arrExtensions = {"max"};
    return TRUE;
}

BOOL CMaxThumbnailProvider::MakeThumbnail(const CProviderItem& item, CBitmap* bitmap,
                                          SIZE maxSize) {
    *bitmap = CBitmap();
    std::string path;
    if (!item.GetDiskFilePath(&path))
        return FALSE;
    return DrawSummaryThumbnail(zb::OpenFileSource(path), maxSize, bitmap);
}

BOOL DrawSummaryThumbnail(std::unique_ptr<zb::ByteSource> source, SIZE maxSize, CBitmap* bitmap) {
    *bitmap = CBitmap();
    if (!source)
        return FALSE;
    const std::string blob = ReadThumbnailBlob(std::move(source));
    if (blob.size() < kHeightOffset + 2)
        return FALSE;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(blob.data());
    const int width = zb::LoadLe16(bytes + kWidthOffset);
    const int height = zb::LoadLe16(bytes + kHeightOffset);
    const std::uint64_t stride = static_cast<std::uint64_t>(width) * 3;
    const std::uint64_t pixels = stride * static_cast<std::uint64_t>(height);
    if (width == 0 || height == 0 || blob.size() < pixels)
        return FALSE;
    SIZE fitted{};
    if (!FitThumbnailSize(maxSize, SIZE{width, height}, &fitted))
        return FALSE;
    const CDibPicture picture{bytes + (blob.size() - pixels), width, height,
                              static_cast<std::size_t>(stride)};
    return StretchDibToBitmap(picture, fitted, bitmap);
}
