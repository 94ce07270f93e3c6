#include "platform/shell/ShellMalloc.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// The header in front of each block: the block's size, padded so that the
// block keeps the alignment malloc gives.
struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
};

class CShellMalloc final : public IMalloc {
public:
    void* Alloc(std::size_t bytes) override {
        if (bytes > kMaxBlock)
            return nullptr;
        auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + bytes));
        if (!header)
            return nullptr;
        header->size = bytes;
        return header + 1;
    }

    void* Realloc(void* block, std::size_t bytes) override {
        if (!block)
            return Alloc(bytes);
        if (bytes == 0) {
            Free(block);
            return nullptr;
        }
        if (bytes > kMaxBlock)
            return nullptr;
        auto* header =
            static_cast<BlockHeader*>(std::realloc(HeaderOf(block), sizeof(BlockHeader) + bytes));
        if (!header)
            return nullptr;  // the old block stays valid
        header->size = bytes;
        return header + 1;
    }

    void Free(void* block) override {
        if (block)
            std::free(HeaderOf(block));
    }

    std::ptrdiff_t GetSize(const void* block) override {
        if (!block)
            return -1;
        return static_cast<std::ptrdiff_t>((static_cast<const BlockHeader*>(block) - 1)->size);
    }

private:
    static constexpr std::size_t kMaxBlock =
        static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) - sizeof(BlockHeader);

    static BlockHeader* HeaderOf(void* block) { return static_cast<BlockHeader*>(block) - 1; }
};

}  // namespace

IMalloc& ShellAllocator() {
    // Created once and never released: lists may be freed during static
    // destruction of other objects.
    static IMalloc* const allocator = new CShellMalloc;
    return *allocator;
}

HRESULT SHGetMalloc(zb::ComPtr<IMalloc>* result) {
    if (!result)
        return E_POINTER;
    *result = zb::ComPtr<IMalloc>(&ShellAllocator());
    return S_OK;
}
