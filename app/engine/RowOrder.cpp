#include "app/engine/RowOrder.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>

#include "app/engine/AttributeUtils.h"
#include "platform/FileTime.h"
#include "platform/TextCase.h"

namespace {

int ThreeWay(std::int64_t a, std::int64_t b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

// The sort key of a standard column as one number, for the columns whose
// comparison is a comparison of numbers; false for the others.
bool NumericKey(int columnId, const CResultItem& record, std::uint64_t* key) {
    switch (columnId) {
        case COLUMN_ID_SIZE:
            // Compared as signed 64-bit numbers: flip the sign bit.
            *key = record.m_nSize ^ (std::uint64_t{1} << 63);
            return true;
        case COLUMN_ID_LAST_WRITE_TIME:
            *key = record.m_ftLastWrite.Value();
            return true;
        case COLUMN_ID_LAST_ACCESS_TIME:
            *key = record.m_ftLastAccess.Value();
            return true;
        case COLUMN_ID_CREATE_TIME:
            *key = record.m_ftCreation.Value();
            return true;
        case COLUMN_ID_ATTRIBUTE:
            // The letters' order: CompareAttributes on the bits they show.
            *key = GetResultAttributes(record) & kShownAttributeBits;
            return true;
        default:
            return false;
    }
}

// The text a standard text column compares, or null.
const CRecordText* TextOf(int columnId, const CResultItem& record) {
    switch (columnId) {
        case COLUMN_ID_NAME:
            return &record.m_sName;
        case COLUMN_ID_LOCATION:
            return &record.m_sFolder;
        case COLUMN_ID_TYPE:
            return &record.m_sTypeName;
        default:
            return nullptr;
    }
}

// Eight bytes of the lower-cased text from `offset` on, the first in the
// highest byte, zeros past its end: ordering the numbers orders the texts as
// far as those bytes go (texts hold no zero byte). `more` tells whether the
// lower-cased text goes on past them. Texts whose bytes up to there are ASCII
// are lower-cased byte by byte on the way; others whole.
std::uint64_t TextChunk(std::string_view text, std::size_t offset, bool* more) {
    const std::size_t end = std::min(text.size(), offset + 8);
    std::string_view lowered = text;
    const bool ascii = std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        thread_local std::string lower;
        LowerCaseUtf8(text, lower);
        lowered = lower;
    }
    std::uint64_t key = 0;
    for (std::size_t i = offset; i < offset + 8; ++i) {
        const char c = i < lowered.size() ? lowered[i] : 0;
        key = key << 8 | static_cast<unsigned char>(ascii ? AsciiLower(c) : c);
    }
    *more = lowered.size() > offset + 8;
    return key;
}

// One row to sort: its key, its place in the range (which also decides
// between rows that compare equal), whether it is a folder, and for a text
// whether it goes on past the bytes of the key.
struct RowKey {
    std::uint64_t value;
    std::uint32_t position;
    std::uint8_t notFolder;  // 0 for a folder, so folders come first
    std::uint8_t more;
};

bool KeyLess(const RowKey& x, const RowKey& y) {
    if (x.notFolder != y.notFolder)
        return x.notFolder < y.notFolder;
    if (x.value != y.value)
        return x.value < y.value;
    return x.position < y.position;
}

bool SameKey(const RowKey& x, const RowKey& y) {
    return x.notFolder == y.notFolder && x.value == y.value;
}

unsigned ThreadsFor(unsigned threads) {
    const unsigned available = std::max(1u, std::thread::hardware_concurrency());
    return threads == 0 ? available : std::min(threads, available);
}

// Runs `body(begin, end)` over [0, count) in `threads` pieces side by side.
template <class Body>
void InPieces(std::size_t count, unsigned threads, const Body& body) {
    const std::size_t pieces =
        std::max<std::size_t>(1, std::min<std::size_t>(threads, count / 4096));
    std::vector<std::thread> workers;
    for (std::size_t p = 1; p < pieces; ++p)
        workers.emplace_back([&, p] { body(count * p / pieces, count * (p + 1) / pieces); });
    body(0, count / pieces);
    for (std::thread& worker : workers)
        worker.join();
}

// Sorts [first, last) by `less` (a strict total order): split at the median
// in place, and the halves sorted side by side.
template <class Iterator, class Less>
void SortInPieces(Iterator first, Iterator last, const Less& less, unsigned threads) {
    constexpr std::ptrdiff_t kSmallest = 1 << 16;
    if (threads <= 1 || last - first < kSmallest) {
        std::sort(first, last, less);
        return;
    }
    const Iterator middle = first + (last - first) / 2;
    std::nth_element(first, middle, last, less);
    std::thread lower([&] { SortInPieces(first, middle, less, threads / 2); });
    SortInPieces(middle, last, less, threads - threads / 2);
    lower.join();
}

// Orders the runs of `keys` (sorted) whose texts share their first bytes by
// the bytes that follow, eight at a time, until every run is of texts that
// are the same (kept in their places' order). Runs are independent, so the
// keys are cut into pieces at run boundaries, taken side by side.
template <class TextOf>
void OrderTiedTexts(std::vector<RowKey>& keys, const TextOf& textOf, unsigned threads) {
    const auto refine = [&](std::size_t from, std::size_t to) {
        struct Run {
            std::size_t begin;
            std::size_t end;
            std::size_t offset;  // of the bytes that order it next
        };
        std::vector<Run> runs;
        const auto pushTies = [&](std::size_t begin, std::size_t end, std::size_t offset) {
            for (std::size_t a = begin; a < end;) {
                std::size_t b = a + 1;
                bool more = keys[a].more != 0;
                for (; b < end && SameKey(keys[a], keys[b]); ++b)
                    more = more || keys[b].more != 0;
                if (b - a > 1 && more)
                    runs.push_back({a, b, offset});
                a = b;
            }
        };
        pushTies(from, to, 8);
        while (!runs.empty()) {
            const Run run = runs.back();
            runs.pop_back();
            for (std::size_t i = run.begin; i < run.end; ++i) {
                bool more = false;
                keys[i].value = TextChunk(textOf(keys[i].position), run.offset, &more);
                keys[i].more = more ? 1 : 0;
            }
            std::sort(keys.begin() + static_cast<std::ptrdiff_t>(run.begin),
                      keys.begin() + static_cast<std::ptrdiff_t>(run.end), KeyLess);
            pushTies(run.begin, run.end, run.offset + 8);
        }
    };
    // Pieces end where a run ends.
    const std::size_t pieces =
        std::max<std::size_t>(1, std::min<std::size_t>(threads, keys.size() / 4096));
    std::vector<std::size_t> cuts{0};
    for (std::size_t p = 1; p < pieces; ++p) {
        std::size_t cut = std::max(cuts.back(), keys.size() * p / pieces);
        while (cut > 0 && cut < keys.size() && SameKey(keys[cut - 1], keys[cut]))
            ++cut;
        cuts.push_back(cut);
    }
    cuts.push_back(keys.size());
    std::vector<std::thread> workers;
    for (std::size_t p = 1; p + 1 < cuts.size(); ++p)
        workers.emplace_back([&, p] { refine(cuts[p], cuts[p + 1]); });
    refine(cuts[0], cuts[1]);
    for (std::thread& worker : workers)
        worker.join();
}

}  // namespace

int CompareResultRecords(const CResultItem& a, const CResultItem& b, const COLUMNINFO& info,
                         int slot) {
    const bool folderA = (a.m_dwFlags & RIF_FOLDER) != 0;
    const bool folderB = (b.m_dwFlags & RIF_FOLDER) != 0;
    if (folderA != folderB)
        return folderA ? -1 : 1;

    if (info.nFlags & COLUMN_FLAG_DETAIL) {
        // Both records are checked for the slot: one whose value array is
        // shorter has no value there.
        if (slot < 0)
            return 0;
        const std::size_t s = static_cast<std::size_t>(slot);
        const bool validA = s < a.m_arrValues.size() && a.m_arrValues[s].valid;
        const bool validB = s < b.m_arrValues.size() && b.m_arrValues[s].valid;
        if (validA && validB)
            return CompareColumnValues(a.m_arrValues[s], b.m_arrValues[s], info.nType);
        if (validA != validB)
            return validA ? 1 : -1;
        return 0;
    }

    switch (info.nId) {
        case COLUMN_ID_NAME:
            return CompareUtf8NoCase(a.m_sName, b.m_sName);
        case COLUMN_ID_LOCATION:
            return CompareUtf8NoCase(a.m_sFolder, b.m_sFolder);
        case COLUMN_ID_TYPE:
            return CompareUtf8NoCase(a.m_sTypeName, b.m_sTypeName);
        case COLUMN_ID_SIZE:
            return ThreeWay(static_cast<std::int64_t>(a.m_nSize),
                            static_cast<std::int64_t>(b.m_nSize));
        case COLUMN_ID_LAST_WRITE_TIME:
            return CompareFileTime(&a.m_ftLastWrite, &b.m_ftLastWrite);
        case COLUMN_ID_LAST_ACCESS_TIME:
            return CompareFileTime(&a.m_ftLastAccess, &b.m_ftLastAccess);
        case COLUMN_ID_CREATE_TIME:
            return CompareFileTime(&a.m_ftCreation, &b.m_ftCreation);
        case COLUMN_ID_ATTRIBUTE:
            return CompareAttributes(GetResultAttributes(a), GetResultAttributes(b));
        default:
            return 0;
    }
}

std::vector<std::uint32_t> SortRowOrder(const CResultArray& results, std::span<const DWORD> rows,
                                        const COLUMNINFO& info, int slot, unsigned threads) {
    threads = ThreadsFor(threads);
    const auto record = [&](std::size_t position) -> const CResultItem& {
        return results.GetAt(rows[position]);
    };
    std::uint64_t probe = 0;
    const bool standard = !(info.nFlags & COLUMN_FLAG_DETAIL);
    const bool numeric = standard && !rows.empty() && NumericKey(info.nId, record(0), &probe);
    const bool text = standard && !rows.empty() && TextOf(info.nId, record(0)) != nullptr;
    if (!numeric && !text) {
        // Detail columns compare their values as they stand.
        std::vector<std::uint32_t> order(rows.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<std::uint32_t>(i);
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
            return CompareResultRecords(record(x), record(y), info, slot) < 0;
        });
        return order;
    }

    // Numbers, or the first eight bytes of the texts; rows whose texts
    // share them are then ordered by the next eight, and so on (the keys are
    // numbers all the way, and each round looks only at the rows still tied).
    const auto textOf = [&](std::uint32_t position) -> std::string_view {
        return *TextOf(info.nId, record(position));
    };
    std::vector<RowKey> keys(rows.size());
    InPieces(rows.size(), threads, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            const CResultItem& r = record(i);
            RowKey& key = keys[i];
            bool more = false;
            if (numeric)
                NumericKey(info.nId, r, &key.value);
            else
                key.value = TextChunk(*TextOf(info.nId, r), 0, &more);
            key.position = static_cast<std::uint32_t>(i);
            key.notFolder = (r.m_dwFlags & RIF_FOLDER) ? 0 : 1;
            key.more = more ? 1 : 0;
        }
    });
    SortInPieces(keys.begin(), keys.end(), KeyLess, threads);
    if (text)
        OrderTiedTexts(keys, textOf, threads);

    std::vector<std::uint32_t> order(rows.size());
    InPieces(rows.size(), threads, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            order[i] = keys[i].position;
    });
    return order;
}
