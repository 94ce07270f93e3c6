#pragma once
// The version of the program data file being read. Serialised records read a
// field that a later program version added only when the file being read is at
// least that version; writing always writes every field. One value for the
// whole process: the data-file loader sets it to the version word of the file
// it reads.

#include "platform/WinTypes.h"

// The version this program writes.
constexpr DWORD kCurrentDataFileVersion = 0x10104;
// The first versions that carry the depth limit and the only-files flag.
constexpr DWORD kDataFileVersionDepthLimit = 0x10009;
constexpr DWORD kDataFileVersionOnlyFiles = 0x10104;

void SetDataFileVersion(DWORD version);
DWORD GetDataFileVersion();
