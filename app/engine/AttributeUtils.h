#pragma once
// The attribute letters the result list shows and the order it sorts them in.

#include <string>

#include "platform/WinTypes.h"

// The letters of the set attributes in the order "A" (archive), "H" (hidden),
// "R" (read-only), "S" (system); empty when none of them is set.
std::string FormatAttributeLetters(DWORD attributes);

// The bits the letters show: archive, system, hidden and read-only.
constexpr DWORD kShownAttributeBits = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;

// Compares only the shown bits of two attribute words as unsigned numbers:
// 1 when a's are greater, -1 when smaller, 0 when equal.
int CompareAttributes(DWORD a, DWORD b);
