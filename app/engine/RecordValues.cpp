#include "app/engine/RecordValues.h"

CRecordValues::CRecordValues(const CRecordValues& other) {
    *this = other;
}

CRecordValues& CRecordValues::operator=(const CRecordValues& other) {
    if (this != &other)
        m_values =
            other.empty() ? nullptr : std::make_unique<std::vector<COLUMNVALUE>>(*other.m_values);
    return *this;
}

void CRecordValues::resize(std::size_t count) {
    if (count == 0) {
        clear();
        return;
    }
    if (!m_values)
        m_values = std::make_unique<std::vector<COLUMNVALUE>>();
    m_values->resize(count);
}
