#pragma once
// The order of result rows by a column: the comparison every sort of the
// list uses, and a sort of many rows at once.
//
// A sort takes each row's key once: a standard column's number, or the first
// eight bytes of its lower-cased text (ties are decided by the whole text),
// so that it compares keys lying side by side instead of reaching into the
// records; the keys are taken and sorted on several threads. The order is
// exactly the comparison's: folders first, then the column ascending, rows
// that compare equal in the order they had.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "app/engine/ResultArray.h"
#include "readers/details/ColumnInfo.h"

// Negative puts `a` first. Folders come before everything else; a detail
// column compares the values in value slot `slot`, a value after a missing
// one; a standard column its field.
int CompareResultRecords(const CResultItem& a, const CResultItem& b, const COLUMNINFO& info,
                         int slot);

// The order of `rows` (indexes of records of `results`) sorted by the column
// `info` with value slot `slot`, stable: the position in `rows` of the row
// that comes first, second, ... `threads` at most take part (0: as many as
// the machine has processors).
std::vector<std::uint32_t> SortRowOrder(const CResultArray& results, std::span<const DWORD> rows,
                                        const COLUMNINFO& info, int slot, unsigned threads = 0);
