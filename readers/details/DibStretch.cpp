#include "readers/details/DibStretch.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The source range [first, last) that target position `i` of `count` covers
// on a source side of `source` positions: never empty.
struct Span {
    int first;
    int last;
};

Span SourceSpan(int i, int count, int source) {
    const int first = static_cast<int>(static_cast<std::int64_t>(i) * source / count);
    int last = static_cast<int>(static_cast<std::int64_t>(i + 1) * source / count);
    if (last <= first)
        last = first + 1;
    return Span{first, last};
}

}  // namespace

BOOL StretchDibToBitmap(const CDibPicture& picture, SIZE size, CBitmap* bitmap) {
    *bitmap = CBitmap();
    if (picture.bits == nullptr || picture.width < 1 || picture.height < 1 || size.cx < 1 ||
        size.cy < 1 || size.cx > kMaxBitmapSide || size.cy > kMaxBitmapSide)
        return FALSE;
    CBitmap out(size.cx, size.cy);
    std::vector<Span> columns(static_cast<std::size_t>(size.cx));
    for (int x = 0; x < size.cx; ++x)
        columns[static_cast<std::size_t>(x)] = SourceSpan(x, size.cx, picture.width);
    // Sums of the columns of one target row, per target column and colour.
    std::vector<std::uint64_t> sums(static_cast<std::size_t>(size.cx) * 3);
    for (int y = 0; y < size.cy; ++y) {
        const Span rows = SourceSpan(y, size.cy, picture.height);
        std::fill(sums.begin(), sums.end(), 0);
        for (int sy = rows.first; sy < rows.last; ++sy) {
            // Target rows run top-down, the picture's rows bottom-up.
            const std::uint8_t* row =
                picture.bits + static_cast<std::size_t>(picture.height - 1 - sy) * picture.stride;
            for (int x = 0; x < size.cx; ++x) {
                std::uint64_t* sum = &sums[static_cast<std::size_t>(x) * 3];
                const Span span = columns[static_cast<std::size_t>(x)];
                for (int sx = span.first; sx < span.last; ++sx) {
                    const std::uint8_t* pixel = row + static_cast<std::size_t>(sx) * 3;
                    sum[0] += pixel[0];
                    sum[1] += pixel[1];
                    sum[2] += pixel[2];
                }
            }
        }
        std::uint32_t* target = out.Row(y);
        for (int x = 0; x < size.cx; ++x) {
            const Span span = columns[static_cast<std::size_t>(x)];
            const std::uint64_t count =
                static_cast<std::uint64_t>(span.last - span.first) * (rows.last - rows.first);
            const std::uint64_t* sum = &sums[static_cast<std::size_t>(x) * 3];
            const auto blue = static_cast<std::uint32_t>((sum[0] + count / 2) / count);
            const auto green = static_cast<std::uint32_t>((sum[1] + count / 2) / count);
            const auto red = static_cast<std::uint32_t>((sum[2] + count / 2) / count);
            target[x] = 0xFF000000u | (red << 16) | (green << 8) | blue;
        }
    }
    *bitmap = std::move(out);
    return TRUE;
}
