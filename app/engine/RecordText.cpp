#include "app/engine/RecordText.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>

CRecordText& CRecordText::operator=(const CRecordText& other) {
    if (this != &other)
        *this = other.view();
    return *this;
}

CRecordText& CRecordText::operator=(CRecordText&& other) noexcept {
    if (this != &other) {
        Free();
        m_block = other.m_block;
        other.m_block = 0;
    }
    return *this;
}

CRecordText& CRecordText::operator=(std::string_view text) {
    // The new block is made before the old goes: `text` may lie in it.
    CRecordText made(text);
    return *this = std::move(made);
}

void CRecordText::clear() noexcept {
    Free();
}

CRecordText& CRecordText::operator+=(std::string_view more) {
    std::string joined;
    joined.reserve(size() + more.size());
    joined.append(view()).append(more);
    return *this = std::string_view(joined);
}

void CRecordText::Assign(std::string_view text) {
    m_block = 0;
    if (text.empty())
        return;
    if (text.size() > UINT32_MAX)
        throw std::bad_alloc();
    auto* block = static_cast<char*>(std::malloc(BlockBytes(text.size())));
    if (!block)
        throw std::bad_alloc();
    WriteBlock(block, text);
    m_block = reinterpret_cast<std::uintptr_t>(block);
}

void CRecordText::WriteBlock(char* block, std::string_view text) noexcept {
    const auto size = static_cast<std::uint32_t>(text.size());
    std::memcpy(block, &size, sizeof size);
    std::memcpy(block + kHeaderBytes, text.data(), text.size());
    block[kHeaderBytes + text.size()] = '\0';
}

void CRecordText::Free() noexcept {
    if (m_block != 0 && !IsPacked())
        std::free(reinterpret_cast<void*>(m_block));
    m_block = 0;
}

void CRecordText::SetPacked(const char* block) noexcept {
    Free();
    m_block = block ? reinterpret_cast<std::uintptr_t>(block) | kPacked : 0;
}

std::string operator+(const CRecordText& a, std::string_view b) {
    std::string joined;
    joined.reserve(a.size() + b.size());
    return joined.append(a.view()).append(b);
}

std::string operator+(std::string_view a, const CRecordText& b) {
    std::string joined;
    joined.reserve(a.size() + b.size());
    return joined.append(a).append(b.view());
}

std::string operator+(const CRecordText& a, char b) {
    return a + std::string_view(&b, 1);
}

std::string operator+(const CRecordText& a, const CRecordText& b) {
    return a + b.view();
}

std::ostream& operator<<(std::ostream& out, const CRecordText& text) {
    return out << text.view();
}
