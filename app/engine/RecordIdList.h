#pragma once
// An item identifier list of a result record (its relative or its absolute
// list), in one word. The list is either one the record owns (from the shell
// allocator, as PidlPtr holds it) or, once the record joins a result
// generation, bytes in that generation's arena (CResultArena), where the
// records of a folder share its absolute list. It is used as a PidlPtr is:
// get(), a test for null, reset() with a new list.
//
// A copy always owns its list (null where ILClone gives none), so a copied
// record never points into an arena it may outlive; a move hands the list
// over as it is.

#include <cstdint>

#include "platform/shell/ItemIdList.h"

class CResultArena;

class CRecordIdList {
public:
    CRecordIdList() noexcept = default;
    // Takes over an owned list.
    CRecordIdList(PidlPtr list) noexcept
        : m_list(reinterpret_cast<std::uintptr_t>(list.release())) {}
    CRecordIdList(const CRecordIdList& other) : m_list(Copy(other.get())) {}
    CRecordIdList(CRecordIdList&& other) noexcept : m_list(other.m_list) { other.m_list = 0; }
    ~CRecordIdList() { reset(); }

    CRecordIdList& operator=(const CRecordIdList& other);
    CRecordIdList& operator=(CRecordIdList&& other) noexcept;
    CRecordIdList& operator=(PidlPtr list) noexcept;

    LPITEMIDLIST get() const noexcept { return reinterpret_cast<LPITEMIDLIST>(m_list & ~kPacked); }
    explicit operator bool() const noexcept { return m_list != 0; }
    // Takes over `list` (an owned list or null).
    void reset(LPITEMIDLIST list = nullptr) noexcept;
    // The list as a PidlPtr of its own: the owned one handed over, a packed
    // one copied; the record is left without a list.
    PidlPtr Detach();

    // Whether the list lies in an arena (the record is stored).
    bool IsPacked() const noexcept { return (m_list & kPacked) != 0; }

private:
    friend class CResultArena;

    // Lists are aligned to their WORD size fields at least (owned ones as
    // the allocator gives, an arena's as CResultArena places them), so the
    // lowest bit of the word tells an arena's list.
    static constexpr std::uintptr_t kPacked = 1;

    static std::uintptr_t Copy(LPCITEMIDLIST list);
    // Points at an arena's list holding the same items.
    void SetPacked(LPCITEMIDLIST list) noexcept;

    std::uintptr_t m_list = 0;
};
