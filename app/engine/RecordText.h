#pragma once
// A text of a result record (its name, folder and type name), in one word.
// The bytes lie either in a block the text owns or, once the record joins a
// result generation, in that generation's arena (CResultArena), where the
// records of a folder share their folder's text and all records share each
// type name. The bytes never change: every change makes a new block.
//
// A copy always owns its bytes, so a copied record never points into an
// arena it may outlive; a move hands the bytes over as they are. Reading
// goes through std::string_view (the text ends in a NUL for c_str()).

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

class CResultArena;

class CRecordText {
public:
    CRecordText() noexcept = default;
    // A text is assigned from a string and read as a string_view; made from
    // one only when asked, so that comparisons stay unambiguous.
    explicit CRecordText(std::string_view text) { Assign(text); }
    CRecordText(const CRecordText& other) { Assign(other.view()); }
    CRecordText(CRecordText&& other) noexcept : m_block(other.m_block) { other.m_block = 0; }
    ~CRecordText() { Free(); }

    CRecordText& operator=(const CRecordText& other);
    CRecordText& operator=(CRecordText&& other) noexcept;
    CRecordText& operator=(std::string_view text);
    CRecordText& operator=(const std::string& text) { return *this = std::string_view(text); }
    CRecordText& operator=(const char* text) { return *this = std::string_view(text); }

    std::string_view view() const noexcept {
        return m_block == 0 ? std::string_view("", 0) : BlockView(Block());
    }
    std::size_t size() const noexcept { return view().size(); }
    std::size_t length() const noexcept { return size(); }
    bool empty() const noexcept { return m_block == 0; }
    const char* data() const noexcept { return view().data(); }
    const char* c_str() const noexcept { return data(); }
    operator std::string_view() const noexcept { return view(); }
    std::string str() const { return std::string(view()); }
    char front() const { return view().front(); }
    char back() const { return view().back(); }

    void clear() noexcept;
    CRecordText& operator+=(std::string_view more);
    CRecordText& operator+=(char more) { return *this += std::string_view(&more, 1); }

    // Whether the bytes lie in an arena (the record is stored).
    bool IsPacked() const noexcept { return (m_block & kPacked) != 0; }

    friend bool operator==(const CRecordText& a, const CRecordText& b) noexcept {
        return a.view() == b.view();
    }
    friend bool operator==(const CRecordText& a, std::string_view b) noexcept {
        return a.view() == b;
    }
    friend std::strong_ordering operator<=>(const CRecordText& a, std::string_view b) noexcept {
        return a.view() <=> b;
    }

private:
    friend class CResultArena;

    // A block: the byte count (32 bits), the bytes, a NUL. Blocks are
    // aligned to 4, so the lowest bit of the word tells an arena's block.
    static constexpr std::uintptr_t kPacked = 1;
    static constexpr std::size_t kHeaderBytes = sizeof(std::uint32_t);
    static constexpr std::size_t kBlockAlign = alignof(std::uint32_t);

    // The bytes a block of `text` takes; writes one at `block` (that many
    // bytes, aligned to kBlockAlign); the text a block holds, and back.
    static constexpr std::size_t BlockBytes(std::size_t length) noexcept {
        return kHeaderBytes + length + 1;
    }
    static void WriteBlock(char* block, std::string_view text) noexcept;
    static std::string_view BlockView(const char* block) noexcept {
        std::uint32_t size = 0;
        std::memcpy(&size, block, sizeof size);
        return {block + kHeaderBytes, size};
    }
    static const char* BlockOf(std::string_view view) noexcept {
        return view.data() - kHeaderBytes;
    }

    const char* Block() const noexcept { return reinterpret_cast<const char*>(m_block & ~kPacked); }
    void Assign(std::string_view text);
    void Free() noexcept;
    // Points the text at an arena's block holding the same bytes.
    void SetPacked(const char* block) noexcept;

    std::uintptr_t m_block = 0;  // 0: empty
};

std::string operator+(const CRecordText& a, std::string_view b);
std::string operator+(std::string_view a, const CRecordText& b);
std::string operator+(const CRecordText& a, char b);
std::string operator+(const CRecordText& a, const CRecordText& b);
std::ostream& operator<<(std::ostream& out, const CRecordText& text);
