#pragma once
// The program's string table: user-visible texts by their numeric id.

#include "platform/WinTypes.h"

// The text of string `id`, or an empty string for an unknown id.
const char* LoadResourceString(UINT id);
