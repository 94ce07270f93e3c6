#pragma once
// The selection's clipboard and drag content in the conventions of the
// desktop's file managers:
//   text/uri-list                 one "file://" URI per path (CR LF after
//                                 each), every byte of the path that is not
//                                 unreserved percent-encoded, so names that
//                                 are not UTF-8 survive
//   x-special/gnome-copied-files  "copy" or "cut", then the URIs, one a line
//   application/x-kde-cutselection "1", only on cut
//   text/plain;charset=utf-8      the paths, each followed by "\n" (no NULs)
//   and private types for the right-menu flag and the item-list array.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/UriList.h"
#include "platform/WinTypes.h"

constexpr const char* kMimeTextUtf8 = "text/plain;charset=utf-8";
constexpr const char* kMimeText = "text/plain";
constexpr const char* kMimeUriList = "text/uri-list";
constexpr const char* kMimeGnomeCopiedFiles = "x-special/gnome-copied-files";
constexpr const char* kMimeKdeCutSelection = "application/x-kde-cutselection";
constexpr const char* kMimeRightMenu = "application/x-zembrolt-rightmenu";
constexpr const char* kMimeShellIdList = "application/x-zembrolt-shell-idlist";

// The gnome-copied-files content: "copy" or "cut", then one URI a line.
std::string MakeGnomeCopiedFiles(bool cut, const std::vector<std::string>& paths);

// The MIME types a table format is offered under (table indexes of
// CClipFormatTable); the preferred drop effect's types depend on the effect.
std::vector<std::string> MimeTypesOfClipFormat(int index, DWORD preferredEffect = 0);

// What a data source offers: the table formats (in order), the selection's
// text, paths, item-list array bytes and right-menu flag, and the preferred
// drop effect (0: none, 1 copy, 2 cut).
struct CSelectionClipData {
    std::vector<int> formats;
    std::string text;
    std::vector<std::string> paths;
    std::vector<std::uint8_t> shellIdList;
    BOOL rightMenu = FALSE;
    DWORD preferredEffect = 0;
};

// Every MIME type the data offers, in the order of its formats, the
// preferred effect's last.
std::vector<std::string> ClipMimeTypes(const CSelectionClipData& data);
// The bytes of one MIME type; empty for a type the data does not offer.
std::string RenderClipMime(const CSelectionClipData& data, std::string_view mime);
