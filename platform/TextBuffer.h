#pragma once
// A growable block of characters that collects text (the extracted text of a
// document for the content search). The text is always NUL-terminated once
// the block exists.

#include <cstdint>
#include <memory>

class CTextBuffer {
public:
    CTextBuffer() = default;
    virtual ~CTextBuffer() = default;
    CTextBuffer(const CTextBuffer&) = delete;
    CTextBuffer& operator=(const CTextBuffer&) = delete;

    // Bytes to add when the block is full while the text is shorter than the
    // step; 0 or below means doubling only.
    void SetGrowStep(std::int32_t bytes) { m_growStep = bytes; }
    std::int32_t GetLength() const { return m_length; }
    std::int32_t GetCapacity() const { return m_capacity; }
    // The text, or null while no block is allocated.
    const char* GetData() const { return m_data.get(); }

    // Appends a NUL-terminated text and returns the new length. A null or
    // empty text changes nothing and returns 0. When the block cannot grow
    // (no memory, or the text would pass 2 GiB) nothing changes and -1 is
    // returned.
    std::int32_t Append(const char* text);

    // 0 frees the block and sets capacity and length to 0. Otherwise replaces
    // the block by one of exactly `bytes` bytes that keeps at most bytes - 1 of
    // the old characters (the length is cut to that). Returns false, changing
    // nothing, for a negative size or when the memory cannot be had.
    bool Reserve(std::int32_t bytes);

private:
    std::unique_ptr<char[]> m_data;
    std::int32_t m_capacity = 0;
    std::int32_t m_growStep = -1;
    std::int32_t m_length = 0;
};
