#include "app/engine/RecordIdList.h"

CRecordIdList& CRecordIdList::operator=(const CRecordIdList& other) {
    if (this != &other)
        reset(reinterpret_cast<LPITEMIDLIST>(Copy(other.get())));
    return *this;
}

CRecordIdList& CRecordIdList::operator=(CRecordIdList&& other) noexcept {
    if (this != &other) {
        reset();
        m_list = other.m_list;
        other.m_list = 0;
    }
    return *this;
}

CRecordIdList& CRecordIdList::operator=(PidlPtr list) noexcept {
    reset(list.release());
    return *this;
}

void CRecordIdList::reset(LPITEMIDLIST list) noexcept {
    if (m_list != 0 && !IsPacked())
        ILFree(reinterpret_cast<LPITEMIDLIST>(m_list));
    m_list = reinterpret_cast<std::uintptr_t>(list);
}

PidlPtr CRecordIdList::Detach() {
    if (IsPacked()) {
        PidlPtr copy(reinterpret_cast<LPITEMIDLIST>(Copy(get())));
        m_list = 0;
        return copy;
    }
    PidlPtr owned(get());
    m_list = 0;
    return owned;
}

std::uintptr_t CRecordIdList::Copy(LPCITEMIDLIST list) {
    // As ILClone: null for null, and when no copy can be made.
    return reinterpret_cast<std::uintptr_t>(ILClone(list));
}

void CRecordIdList::SetPacked(LPCITEMIDLIST list) noexcept {
    reset();
    m_list = list ? reinterpret_cast<std::uintptr_t>(list) | kPacked : 0;
}
