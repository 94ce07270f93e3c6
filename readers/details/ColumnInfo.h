#pragma once
// The column table: every column the result list can show, every detail value a
// provider can deliver and every column id the data file stores is one row of
// one fixed table. The column id is the key shared by all of them.
//
// COLUMNVALUE is one detail cell: a text and an 8-byte number that is read as
// the integer, float or FILETIME the column's value type names.
//
// Value type codes and how the number of a COLUMNVALUE is read for each. One
// reading serves formatting and comparing alike, so the order a column sorts in
// is the order of the numbers it shows:
//   1            text (the value's string)
//   2 / 3        signed / unsigned 8-bit (low byte)
//   4, 5         unsigned 16-bit (low 16 bits)
//   6 to 9, 14   signed 32-bit (low 32 bits)
//   10 / 11      signed / unsigned 64-bit
//   12           double (all 64 bits)
//   13           float (low 32 bits), widened to double for printing
//   15           FILETIME
//   0, above 15  no value: formats as an empty text, compares equal

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

// Value type codes the table uses.
constexpr int COLUMN_TYPE_TEXT = 1;
constexpr int COLUMN_TYPE_UINT16 = 4;
constexpr int COLUMN_TYPE_INT32 = 9;
constexpr int COLUMN_TYPE_UINT64 = 11;
constexpr int COLUMN_TYPE_FLOAT = 13;
constexpr int COLUMN_TYPE_FILETIME = 15;

// Ids of the standard columns.
constexpr int COLUMN_ID_NAME = 1001;
constexpr int COLUMN_ID_LOCATION = 1002;
constexpr int COLUMN_ID_SIZE = 1003;
constexpr int COLUMN_ID_LAST_WRITE_TIME = 1004;
constexpr int COLUMN_ID_LAST_ACCESS_TIME = 1005;
constexpr int COLUMN_ID_CREATE_TIME = 1006;
constexpr int COLUMN_ID_TYPE = 1007;
constexpr int COLUMN_ID_ATTRIBUTE = 1008;

// Column flags.
constexpr int COLUMN_FLAG_DEFAULT = 1;  // shown by default
constexpr int COLUMN_FLAG_FIXED = 2;    // cannot be hidden
constexpr int COLUMN_FLAG_DETAIL = 4;   // the value comes from a detail provider

// Column alignments (the list's column format codes).
constexpr int COLUMN_ALIGN_LEFT = 0;
constexpr int COLUMN_ALIGN_RIGHT = 1;
constexpr int COLUMN_ALIGN_CENTER = 2;

// One table row. Rows are plain values: column lists hold copies of them.
struct COLUMNINFO {
    std::int32_t nId;
    std::int32_t nType;
    std::int32_t nWidth;  // default width in characters (times the width of "H")
    std::int32_t nAlign;
    char szTitle[80];       // header text
    char szLongTitle[128];  // longer form of the title
    char szFormat[124];     // printf format; empty where the list formats the value itself
    std::int32_t nReserved;
    std::int32_t nFlags;
};

using CColumnInfoArray = std::vector<COLUMNINFO>;

// How the number of a value is read for a type code (see the table above).
enum class ColumnValueKind {
    None,
    Text,
    Int8,
    UInt8,
    UInt16,
    Int32,
    Int64,
    UInt64,
    Double,
    Float,
    FileTime,
};

ColumnValueKind GetColumnValueKind(int type);

// One detail cell. A new value has an empty text, a zero number and valid 0.
// Assigning one value to another copies the text and the number only; whoever
// moves values between records copies the valid flag itself. Constructing a
// value from another (as containers do when they reallocate) copies all three.
struct COLUMNVALUE {
    std::string text;
    std::uint64_t number = 0;
    BOOL valid = FALSE;

    COLUMNVALUE() = default;
    COLUMNVALUE(const COLUMNVALUE&) = default;
    COLUMNVALUE(COLUMNVALUE&&) noexcept = default;
    COLUMNVALUE& operator=(const COLUMNVALUE& other);
    COLUMNVALUE& operator=(COLUMNVALUE&& other) noexcept;

    // Typed views of the number. Narrow values live in the low bits; setting
    // one clears the bits above it.
    std::int8_t GetInt8() const { return static_cast<std::int8_t>(number & 0xFFu); }
    std::uint8_t GetUInt8() const { return static_cast<std::uint8_t>(number & 0xFFu); }
    std::uint16_t GetUInt16() const { return static_cast<std::uint16_t>(number & 0xFFFFu); }
    std::int32_t GetInt32() const { return static_cast<std::int32_t>(number & 0xFFFFFFFFu); }
    std::uint32_t GetUInt32() const { return static_cast<std::uint32_t>(number & 0xFFFFFFFFu); }
    std::int64_t GetInt64() const { return static_cast<std::int64_t>(number); }
    std::uint64_t GetUInt64() const { return number; }
    float GetFloat() const;
    double GetDouble() const;
    FILETIME GetFileTime() const { return FILETIME::FromValue(number); }

    void SetInt8(std::int8_t v) { number = static_cast<std::uint8_t>(v); }
    void SetUInt8(std::uint8_t v) { number = v; }
    void SetUInt16(std::uint16_t v) { number = v; }
    void SetInt32(std::int32_t v) { number = static_cast<std::uint32_t>(v); }
    void SetUInt32(std::uint32_t v) { number = v; }
    void SetInt64(std::int64_t v) { number = static_cast<std::uint64_t>(v); }
    void SetUInt64(std::uint64_t v) { number = v; }
    void SetFloat(float v);
    void SetDouble(double v);
    void SetFileTime(const FILETIME& v) { number = v.Value(); }
};

// The row with this id, or null.
const COLUMNINFO* GetColumnInfo(int id);

// The whole table in table order.
const COLUMNINFO* GetColumnTable();
std::size_t GetColumnTableSize();

// Empties `columns` and appends a copy of every row shown by default, in table
// order (Name, Location, Size, Last Write Time, Type).
void GetDefaultVisibleColumns(CColumnInfoArray& columns);

// Empties `columns` and appends a copy of every row that is not a detail
// column, in table order (the standard columns 1001 to 1008).
void GetStandardColumns(CColumnInfoArray& columns);

// 1 when `columns` holds a row with this id, else 0.
BOOL IsColumnInList(int id, const CColumnInfoArray& columns);

// Writes the text of `value` for the row `info` into `buffer` (of `size`
// bytes) and always leaves it NUL-terminated when `size` is not 0. A text
// that does not fit, with its terminating zero, leaves an empty cell rather
// than a cut one; so do an unknown type and a format that does not suit the
// row's type.
void FormatColumnValue(const COLUMNVALUE& value, const COLUMNINFO& info, char* buffer,
                       std::size_t size);

// The same text without a size limit.
std::string FormatColumnValue(const COLUMNVALUE& value, const COLUMNINFO& info);

// Empties the text and sets the number to 0.
void ClearColumnValue(COLUMNVALUE& value);

// Three-way comparison by the column's value type: 1 when `a` is greater, -1
// when smaller, 0 when equal. Texts compare case-insensitively.
int CompareColumnValues(const COLUMNVALUE& a, const COLUMNVALUE& b, int type);
