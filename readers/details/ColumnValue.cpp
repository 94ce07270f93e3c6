// Detail cell values: the typed reading of their number, their text form and
// their order.

#include "readers/details/ColumnInfo.h"

#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "platform/DateUtils.h"
#include "platform/FileTime.h"
#include "platform/TextCase.h"

ColumnValueKind GetColumnValueKind(int type) {
    switch (type) {
        case 1:
            return ColumnValueKind::Text;
        case 2:
            return ColumnValueKind::Int8;
        case 3:
            return ColumnValueKind::UInt8;
        case 4:
        case 5:
            return ColumnValueKind::UInt16;
        case 6:
        case 7:
        case 8:
        case 9:
        case 14:
            return ColumnValueKind::Int32;
        case 10:
            return ColumnValueKind::Int64;
        case 11:
            return ColumnValueKind::UInt64;
        case 12:
            return ColumnValueKind::Double;
        case 13:
            return ColumnValueKind::Float;
        case 15:
            return ColumnValueKind::FileTime;
        default:
            return ColumnValueKind::None;
    }
}

COLUMNVALUE& COLUMNVALUE::operator=(const COLUMNVALUE& other) {
    text = other.text;
    number = other.number;
    return *this;
}

COLUMNVALUE& COLUMNVALUE::operator=(COLUMNVALUE&& other) noexcept {
    text = std::move(other.text);
    number = other.number;
    return *this;
}

float COLUMNVALUE::GetFloat() const {
    return std::bit_cast<float>(GetUInt32());
}

double COLUMNVALUE::GetDouble() const {
    return std::bit_cast<double>(number);
}

void COLUMNVALUE::SetFloat(float v) {
    number = std::bit_cast<std::uint32_t>(v);
}

void COLUMNVALUE::SetDouble(double v) {
    number = std::bit_cast<std::uint64_t>(v);
}

namespace {

// A row format split around its one conversion, rebuilt for the value's real
// width. The table's formats are written for the platform's printf ("%d" for
// every 32-bit number, "%I64u" for 64-bit ones); each conversion here is
// rebuilt with the length of the value it prints, so a 64-bit value is never
// read through a 32-bit argument. "%d" and "%i" print a signed value signed
// (a top-down bitmap's height is negative), "%u" prints the value's bits
// unsigned, as the platform's printf does.
struct RowFormat {
    std::string before;   // literal text ("%%" kept as is)
    std::string flags;    // flags, width and precision of the conversion
    char conversion = 0;  // 0 when the format has no conversion
    std::string after;
};

// Splits `format`; false when it holds more than one conversion or one that
// cannot be printed safely (a '*' width, %n, %p and the like).
bool ParseRowFormat(std::string_view format, RowFormat& out) {
    std::string* literal = &out.before;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c != '%') {
            literal->push_back(c);
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            literal->append("%%");
            i += 2;
            continue;
        }
        if (out.conversion != 0)
            return false;
        ++i;
        std::size_t start = i;
        while (i < format.size() && std::strchr("-+ #0'", format[i]) != nullptr)
            ++i;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9')
            ++i;
        if (i < format.size() && format[i] == '.') {
            ++i;
            while (i < format.size() && format[i] >= '0' && format[i] <= '9')
                ++i;
        }
        out.flags.assign(format.substr(start, i - start));
        // Length modifiers, including the platform's I64 / I32 forms, are
        // dropped: the value's own width decides the length.
        for (;;) {
            if (format.substr(i, 3) == "I64" || format.substr(i, 3) == "I32") {
                i += 3;
            } else if (i < format.size() && std::strchr("hlLqjztI", format[i]) != nullptr) {
                ++i;
            } else {
                break;
            }
        }
        if (i >= format.size() || std::strchr("diouxXeEfFgGaAs", format[i]) == nullptr) {
            return false;
        }
        out.conversion = format[i++];
        literal = &out.after;
    }
    return true;
}

bool IsIntegerConversion(char c) {
    return std::strchr("diouxX", c) != nullptr;
}

bool IsFloatConversion(char c) {
    return std::strchr("eEfFgGaA", c) != nullptr;
}

// The '#' flag has a meaning only for the octal, hex and floating forms.
std::string FlagsFor(const RowFormat& f) {
    if (std::strchr("oxXeEfFgGaA", f.conversion) != nullptr)
        return f.flags;
    std::string flags = f.flags;
    std::erase(flags, '#');
    return flags;
}

template <typename T>
std::string PrintOne(const std::string& format, T argument) {
    const int n = std::snprintf(nullptr, 0, format.c_str(), argument);
    if (n <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), argument);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

bool IsSignedKind(ColumnValueKind kind) {
    return kind == ColumnValueKind::Int8 || kind == ColumnValueKind::Int32 ||
           kind == ColumnValueKind::Int64;
}

std::int64_t SignedNumber(const COLUMNVALUE& v, ColumnValueKind kind) {
    switch (kind) {
        case ColumnValueKind::Int8:
            return v.GetInt8();
        case ColumnValueKind::Int32:
            return v.GetInt32();
        default:
            return v.GetInt64();
    }
}

// The bits of the value at its own width, as an unsigned number.
std::uint64_t UnsignedNumber(const COLUMNVALUE& v, ColumnValueKind kind) {
    switch (kind) {
        case ColumnValueKind::Int8:
        case ColumnValueKind::UInt8:
            return v.GetUInt8();
        case ColumnValueKind::UInt16:
            return v.GetUInt16();
        case ColumnValueKind::Int32:
            return v.GetUInt32();
        default:
            return v.GetUInt64();
    }
}

std::string FormatInteger(const COLUMNVALUE& value, ColumnValueKind kind, const RowFormat& f) {
    const std::string head = f.before + "%" + FlagsFor(f);
    if ((f.conversion == 'd' || f.conversion == 'i') && IsSignedKind(kind))
        return PrintOne(head + PRId64 + f.after, SignedNumber(value, kind));
    if (f.conversion == 'd' || f.conversion == 'i' || f.conversion == 'u')
        return PrintOne(head + PRIu64 + f.after, UnsignedNumber(value, kind));
    const char* length = f.conversion == 'o' ? PRIo64 : f.conversion == 'x' ? PRIx64 : PRIX64;
    return PrintOne(head + length + f.after, UnsignedNumber(value, kind));
}

std::string FormatNumber(const COLUMNVALUE& value, ColumnValueKind kind, const char* format) {
    RowFormat f;
    if (!ParseRowFormat(format, f))
        return std::string();
    if (f.conversion == 0)
        return PrintOne(f.before, 0);
    if (kind == ColumnValueKind::Float || kind == ColumnValueKind::Double) {
        if (!IsFloatConversion(f.conversion))
            return std::string();
        const double number = kind == ColumnValueKind::Float ? static_cast<double>(value.GetFloat())
                                                             : value.GetDouble();
        return PrintOne(f.before + "%" + FlagsFor(f) + f.conversion + f.after, number);
    }
    if (!IsIntegerConversion(f.conversion))
        return std::string();
    return FormatInteger(value, kind, f);
}

template <typename T>
int ThreeWay(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// A value that is not a number sorts after every number and equal to another
// such value, so the order stays a strict weak order that sorting can rely on.
template <typename T>
int CompareFloating(T a, T b) {
    const bool aNan = std::isnan(a);
    const bool bNan = std::isnan(b);
    if (aNan || bNan)
        return aNan == bNan ? 0 : (aNan ? 1 : -1);
    return ThreeWay(a, b);
}

int CompareTexts(const std::string& a, const std::string& b) {
    thread_local std::string lowerA;
    thread_local std::string lowerB;
    LowerCaseUtf8(a, lowerA);
    LowerCaseUtf8(b, lowerB);
    const int c = lowerA.compare(lowerB);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

std::string FormatColumnValue(const COLUMNVALUE& value, const COLUMNINFO& info) {
    const ColumnValueKind kind = GetColumnValueKind(info.nType);
    switch (kind) {
        case ColumnValueKind::None:
            return std::string();
        case ColumnValueKind::Text:
            return value.text;
        case ColumnValueKind::FileTime:
            return FormatDateTime(FileTimeToCTime(value.GetFileTime()));
        default:
            return FormatNumber(value, kind, info.szFormat);
    }
}

void FormatColumnValue(const COLUMNVALUE& value, const COLUMNINFO& info, char* buffer,
                       std::size_t size) {
    if (buffer == nullptr || size == 0)
        return;
    const std::string text = FormatColumnValue(value, info);
    if (text.size() + 1 > size) {
        buffer[0] = '\0';
        return;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
}

void ClearColumnValue(COLUMNVALUE& value) {
    value.text.clear();
    value.number = 0;
}

int CompareColumnValues(const COLUMNVALUE& a, const COLUMNVALUE& b, int type) {
    switch (GetColumnValueKind(type)) {
        case ColumnValueKind::None:
            return 0;
        case ColumnValueKind::Text:
            return CompareTexts(a.text, b.text);
        case ColumnValueKind::Int8:
            return ThreeWay(a.GetInt8(), b.GetInt8());
        case ColumnValueKind::UInt8:
            return ThreeWay(a.GetUInt8(), b.GetUInt8());
        case ColumnValueKind::UInt16:
            return ThreeWay(a.GetUInt16(), b.GetUInt16());
        case ColumnValueKind::Int32:
            return ThreeWay(a.GetInt32(), b.GetInt32());
        case ColumnValueKind::Int64:
            return ThreeWay(a.GetInt64(), b.GetInt64());
        case ColumnValueKind::UInt64:
            return ThreeWay(a.GetUInt64(), b.GetUInt64());
        case ColumnValueKind::Double:
            return CompareFloating(a.GetDouble(), b.GetDouble());
        case ColumnValueKind::Float:
            return CompareFloating(a.GetFloat(), b.GetFloat());
        case ColumnValueKind::FileTime: {
            const FILETIME fa = a.GetFileTime();
            const FILETIME fb = b.GetFileTime();
            return CompareFileTime(&fa, &fb);
        }
    }
    return 0;
}
