#pragma once
// Process-wide numbers for named clipboard and drag-and-drop formats. The same
// name always gives the same number; numbers start at 0xC000 like the
// platform's registered formats, so they never clash with predefined ones.

#include <string>

#include "platform/WinTypes.h"

UINT RegisterClipboardFormat(const std::string& name);
// The name of a registered number, or an empty string.
std::string GetClipboardFormatName(UINT format);
