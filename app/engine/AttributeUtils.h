#pragma once
// The attribute letters the result list shows and the order it sorts them in.

#include <string>

#include "platform/WinTypes.h"

// The letters of the set attributes in the order "A" (archive), "H" (hidden),
// "R" (read-only), "S" (system); empty when none of them is set.
std::string FormatAttributeLetters(DWORD attributes);

// Compares only the archive, system, hidden and read-only bits of two
// attribute words as unsigned numbers: 1 when a's are greater, -1 when
// smaller, 0 when equal.
int CompareAttributes(DWORD a, DWORD b);
