#pragma once
// The visible columns of the result list and the detail providers that fill
// their values. Each visible detail column gets a value slot in every record
// (0, 1, 2 ... in display order among the detail columns); a provider is
// enabled only while it owns a visible column.
//
// The search thread fills the values of every record it keeps (and the
// window's thread again after a change of the columns); the window changes
// the columns only while no search runs, so the two never meet.

#include <vector>

#include "app/engine/ResultItem.h"
#include "readers/details/ColumnInfo.h"
#include "readers/details/ProviderRegistry.h"

// Gives each detail column of `columns` the next slot and every other column
// -1; returns the number of slots given.
int BuildDetailSlotMap(const CColumnInfoArray& columns, std::vector<int>& slots);

// The ids of the detail columns of `columns`, in slot order.
std::vector<int> GetDetailColumnIds(const CColumnInfoArray& columns);

class CDetailColumns {
public:
    // The columns shown by default, no providers yet.
    CDetailColumns();

    const CColumnInfoArray& GetVisibleColumns() const { return m_columns; }
    // Replaces the visible columns and enables the providers for them.
    void SetVisibleColumns(CColumnInfoArray columns);
    BOOL IsColumnVisible(int id) const;
    const std::vector<int>& GetSlotMap() const { return m_slots; }
    int GetDetailSlotCount() const { return m_nDetailSlots; }

    // Creates the detail providers, once in the owner's life (after the
    // global archive readers, which it creates when there are none), and
    // enables them for the visible columns.
    void EnsureProviders();
    // Takes `providers` as the list (when none was created yet) and enables them.
    void SetProviders(CFileInfoProviderList providers);
    const CFileInfoProviderList& GetProviders() const { return m_providers; }
    // Rebuilds the slot map; each provider is enabled when it has a column
    // of the visible ones (standard columns included).
    void EnableProviders();

    // Sizes the record's values to the slot count and makes them all
    // invalid; then the first enabled provider that supports the record's
    // name loads it and delivers the values of the visible detail columns it
    // has, and is reset. A record no provider takes keeps empty cells.
    void FillDetailColumns(CResultItem& record);

    // The columns offered beside the visible ones: the standard columns,
    // then each provider's columns (providers in list order), each id once,
    // none that is visible.
    CColumnInfoArray GetAvailableColumns() const;
    // The table row of `id`, or else the row the first provider delivers for
    // it; FALSE when there is none.
    BOOL FindColumn(int id, COLUMNINFO* info) const;

private:
    CColumnInfoArray m_columns;
    std::vector<int> m_slots;
    int m_nDetailSlots = 0;
    CFileInfoProviderList m_providers;
    bool m_bProvidersCreated = false;
};

// What a change of the visible columns asks of the records' values.
enum class DetailValueChange {
    None,    // nothing: no detail slots, no records, or the same detail columns
    Move,    // the values move between slots (every detail column was shown before)
    Refill,  // every record is filled again
};

// `firstRecord` is the first result record, or null when there are none.
DetailValueChange GetDetailValueChange(const CColumnInfoArray& previous,
                                       const CColumnInfoArray& current,
                                       const CResultItem* firstRecord);

// Moves a record's values from the slots of the `previous` columns to those
// of the `current` ones (text, number and valid flag); values of columns no
// longer shown are dropped.
void MoveDetailValues(CResultItem& record, const CColumnInfoArray& previous,
                      const CColumnInfoArray& current);
