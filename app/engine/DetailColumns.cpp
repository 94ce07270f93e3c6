#include "app/engine/DetailColumns.h"

#include <algorithm>
#include <utility>

#include "app/engine/ProviderItemOfRecord.h"
#include "platform/FaultTrace.h"
#include "readers/archives/ArchiveHandler.h"

int BuildDetailSlotMap(const CColumnInfoArray& columns, std::vector<int>& slots) {
    slots.clear();
    int next = 0;
    for (const COLUMNINFO& info : columns)
        slots.push_back((info.nFlags & COLUMN_FLAG_DETAIL) ? next++ : -1);
    return next;
}

std::vector<int> GetDetailColumnIds(const CColumnInfoArray& columns) {
    std::vector<int> ids;
    for (const COLUMNINFO& info : columns) {
        if (info.nFlags & COLUMN_FLAG_DETAIL)
            ids.push_back(info.nId);
    }
    return ids;
}

CDetailColumns::CDetailColumns() {
    CColumnInfoArray columns;
    GetDefaultVisibleColumns(columns);
    SetVisibleColumns(std::move(columns));
}

void CDetailColumns::SetVisibleColumns(CColumnInfoArray columns) {
    m_columns = std::move(columns);
    EnableProviders();
}

BOOL CDetailColumns::IsColumnVisible(int id) const {
    return IsColumnInList(id, m_columns);
}

void CDetailColumns::EnsureProviders() {
    if (m_bProvidersCreated)
        return;
    // The description-file provider takes its extensions from the archive
    // readers when it is made, so their list comes first.
    InitArchiveHandlers();
    CFileInfoProviderList providers;
    CreateFileInfoProviders(providers);
    SetProviders(std::move(providers));
}

void CDetailColumns::SetProviders(CFileInfoProviderList providers) {
    if (m_bProvidersCreated)
        return;
    m_bProvidersCreated = true;
    m_providers = std::move(providers);
    EnableProviders();
}

void CDetailColumns::EnableProviders() {
    m_nDetailSlots = BuildDetailSlotMap(m_columns, m_slots);
    for (const auto& provider : m_providers) {
        const bool owns = std::any_of(m_columns.begin(), m_columns.end(), [&](const COLUMNINFO& c) {
            return provider->HasColumn(c.nId) != FALSE;
        });
        provider->SetEnabled(owns ? TRUE : FALSE);
    }
}

void CDetailColumns::FillDetailColumns(CResultItem& record) {
    record.m_arrValues.resize(static_cast<std::size_t>(m_nDetailSlots));
    if (m_nDetailSlots == 0)
        return;
    for (COLUMNVALUE& value : record.m_arrValues) {
        ClearColumnValue(value);
        value.valid = FALSE;
    }
    CFileInfoProvider* provider = FindEnabledFileInfoProvider(m_providers, record.m_sName.str());
    if (provider == nullptr)
        return;
    // A provider that fails on a hostile file leaves the record's cells
    // empty; the search goes on.
    try {
        if (!provider->Load(MakeProviderItem(record)))
            return;
        std::size_t slot = 0;
        for (const COLUMNINFO& info : m_columns) {
            if (!(info.nFlags & COLUMN_FLAG_DETAIL))
                continue;
            COLUMNVALUE& value = record.m_arrValues[slot++];
            if (provider->HasColumn(info.nId) && provider->GetValue(info.nId, &value))
                value.valid = TRUE;
        }
        provider->Reset();
    } catch (...) {
        zb::NoteIgnoredFault("a detail provider");
        provider->Reset();
    }
}

CColumnInfoArray CDetailColumns::GetAvailableColumns() const {
    CColumnInfoArray available;
    const auto offer = [&](const COLUMNINFO& info) {
        if (!IsColumnInList(info.nId, m_columns) && !IsColumnInList(info.nId, available))
            available.push_back(info);
    };
    CColumnInfoArray standard;
    GetStandardColumns(standard);
    std::for_each(standard.begin(), standard.end(), offer);
    for (const auto& provider : m_providers) {
        for (int i = 0; i < provider->GetColumnCount(); ++i) {
            COLUMNINFO info{};
            if (provider->GetColumnByIndex(i, &info))
                offer(info);
        }
    }
    return available;
}

BOOL CDetailColumns::FindColumn(int id, COLUMNINFO* info) const {
    if (const COLUMNINFO* row = GetColumnInfo(id)) {
        *info = *row;
        return TRUE;
    }
    for (const auto& provider : m_providers) {
        if (provider->GetColumnById(id, info))
            return TRUE;
    }
    return FALSE;
}

DetailValueChange GetDetailValueChange(const CColumnInfoArray& previous,
                                       const CColumnInfoArray& current,
                                       const CResultItem* firstRecord) {
    const std::vector<int> ids = GetDetailColumnIds(current);
    if (ids.empty() || firstRecord == nullptr)
        return DetailValueChange::None;
    if (ids.size() == firstRecord->m_arrValues.size() && ids == GetDetailColumnIds(previous))
        return DetailValueChange::None;
    const bool allShownBefore = std::all_of(
        ids.begin(), ids.end(), [&](int id) { return IsColumnInList(id, previous) != FALSE; });
    return allShownBefore ? DetailValueChange::Move : DetailValueChange::Refill;
}

void MoveDetailValues(CResultItem& record, const CColumnInfoArray& previous,
                      const CColumnInfoArray& current) {
    const std::vector<int> before = GetDetailColumnIds(previous);
    const std::vector<int> after = GetDetailColumnIds(current);
    CRecordValues moved(after.size());
    for (std::size_t slot = 0; slot < after.size(); ++slot) {
        const auto old = std::find(before.begin(), before.end(), after[slot]);
        const std::size_t from = static_cast<std::size_t>(old - before.begin());
        if (old == before.end() || from >= record.m_arrValues.size())
            continue;
        COLUMNVALUE& source = record.m_arrValues[from];
        moved[slot].text = std::move(source.text);
        moved[slot].number = source.number;
        moved[slot].valid = source.valid;
    }
    record.m_arrValues = std::move(moved);
}
