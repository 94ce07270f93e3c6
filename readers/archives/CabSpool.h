#pragma once
// The bytes of one decoded cabinet member, written front to back and read
// back at any offset: kept in memory up to kMemoryLimit, beyond that in a
// temporary file that has no name (it goes when the spool is reset or
// destroyed).

#include <cstddef>
#include <cstdint>
#include <vector>

class CCabSpool {
public:
    static constexpr std::size_t kMemoryLimit = 4u << 20;

    CCabSpool() = default;
    ~CCabSpool();
    CCabSpool(const CCabSpool&) = delete;
    CCabSpool& operator=(const CCabSpool&) = delete;

    // Empties the spool; the temporary file, if any, is released.
    void Reset();
    // Appends `count` bytes; false when the temporary file cannot take them.
    bool Write(const void* data, std::size_t count);
    // Up to `count` bytes from `offset`; the count copied, -1 on a read error.
    std::int64_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    std::uint64_t Size() const { return m_nSize; }

private:
    bool OpenTemporaryFile();

    std::vector<std::uint8_t> m_memory;
    int m_fd = -1;  // the temporary file holding the bytes past m_memory
    std::uint64_t m_nSize = 0;
};
