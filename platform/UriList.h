#pragma once
// Local file paths as "file://" URIs and text/uri-list content, the way
// file managers exchange them: every byte of a path that is not a letter, a
// digit, "-", ".", "_", "~" or "/" is percent-encoded, so names that are not
// UTF-8 survive the trip.

#include <string>
#include <string_view>
#include <vector>

// "file://" and the percent-encoded path.
std::string EncodeFileUri(std::string_view path);
// The path of a local "file:" URI ("file:///p" or "file://localhost/p"), or
// empty for any other URI or a path holding a NUL byte.
std::string DecodeFileUri(std::string_view uri);

// The uri-list of `paths` (CR LF after each URI); the paths of a uri-list's
// local file URIs (comments and other URIs are left out).
std::string MakeUriList(const std::vector<std::string>& paths);
std::vector<std::string> ParseUriList(std::string_view bytes);
