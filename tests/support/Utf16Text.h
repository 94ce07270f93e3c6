#pragma once
// ASCII text as UTF-16LE bytes, the way a file written in UTF-16 holds it.

#include <string>

namespace zbtest {

inline std::string Utf16(const std::string& ascii) {
    std::string out;
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

}  // namespace zbtest
