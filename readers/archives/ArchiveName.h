#pragma once
// Names shared by the readers of RAR, ARJ, ACE and CAB archives: their
// volume extensions, the decoding of 8-bit member names, and the files of a
// volume set, which are looked for beside the archive.

#include <string>
#include <string_view>

// True if the text after the name's last dot is three characters: `letter`
// (either case) followed by `rest` (any case) or by two digits. With 'r' and
// "ar": ".rar" and ".r00" to ".r99".
bool MatchesVolumeExtension(std::string_view name, char letter, std::string_view rest);

// A member name as UTF-8: kept as it is when the archive declares UTF-8 (or
// was made where names are UTF-8), else read as code page 437, the OEM code
// page of the tools that write these archives.
std::string DecodeArchiveName(std::string_view raw, bool utf8);

// The path of the file `name` in the folder of `archivePath`; only the last
// part of `name` counts (a stored name cannot lead out of the folder). When
// no file has that exact name, one whose name differs only in letter case is
// taken. Empty when there is none.
std::string FindVolumeFile(const std::string& archivePath, std::string_view name);
