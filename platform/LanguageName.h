#pragma once
// Display names of Windows language identifiers (the language of a version
// resource's translation).

#include <cstdint>
#include <string>

namespace zb {

// The name of `languageId` ("English (United States)" for 0x0409). An
// identifier missing from the list gives the name of its primary language
// when the list knows that, "Language Neutral" for 0 and "Unknown language"
// otherwise.
std::string VerLanguageName(std::uint16_t languageId);

}  // namespace zb
