#pragma once
// The scored history of a combo box (the file-name and look-in boxes of the
// main window, the boxes of the option pages): the list items in list order,
// each a text with a score, plus the box's current text. The window's combo
// box mirrors this model.
//
// Scores: a new entry starts at 1000000; every use of the box lowers every
// positive score by 1 and adds 100 to the entry that was used; at most 100
// entries are kept, the lowest score dropped first. Callers call
// UpdateComboHistoryScores and then AddComboHistoryItem each time a value of
// the box is used.
//
// The boxes are unsorted lists: a new entry is appended at the end, and loaded
// entries keep their stored order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Archive.h"
#include "platform/WinTypes.h"

class CComboHistory {
public:
    struct Item {
        std::string text;
        std::int32_t score = 0;
        friend bool operator==(const Item&, const Item&) = default;
    };

    static constexpr std::size_t kMaxItems = 100;
    static constexpr std::int32_t kNewItemScore = 1000000;
    static constexpr std::int32_t kReuseBonus = 100;
    // The largest item count a stored history may have.
    static constexpr std::int32_t kMaxStoredCount = 0x7FFF;

    const std::vector<Item>& GetItems() const { return m_items; }
    const std::string& GetText() const { return m_text; }
    void SetText(std::string text) { m_text = std::move(text); }

    // The index of the first item whose text equals `text` apart from case,
    // or -1.
    int FindStringExact(std::string_view text) const;
    // Removes every item; the current text stays.
    void ResetContent() { m_items.clear(); }

    // Lowers every positive score by 1, then adds 100 to the item that equals
    // the current text apart from case (saturating at the largest score).
    void UpdateComboHistoryScores();
    // Adds the current text, trimmed at both ends, with score 1000000 unless it
    // is empty or an item already equals it apart from case. A full list first
    // loses its lowest-scored item (the first of equal lowest ones).
    void AddComboHistoryItem();

    // Writes a 32-bit item count, then each item's text and 32-bit score in
    // list order.
    void SaveComboHistory(CArchive& ar) const;
    // Empties the list and reads it back. A count below 0 or above 0x7FFF
    // reads nothing more and returns FALSE (the list stays empty); otherwise
    // returns TRUE. Throws CArchiveException when the archive ends early; the
    // list is then empty.
    BOOL LoadComboHistory(CArchive& ar);

private:
    std::vector<Item> m_items;
    std::string m_text;
};
