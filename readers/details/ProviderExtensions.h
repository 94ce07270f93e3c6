#pragma once
// The extension test that detail and thumbnail providers share.

#include <string>
#include <string_view>
#include <vector>

// The text after the last '.' of `path`, lower-cased (ASCII letters only),
// compared byte by byte with each entry of `extensions`: TRUE when one equals
// it. A name without a '.' has no extension and matches nothing; a trailing
// '.' gives the empty extension, which no list holds.
bool IsSupportedExtension(const std::vector<std::string>& extensions, std::string_view path);
