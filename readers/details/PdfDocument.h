#pragma once
// Opening PDF documents through the PDF library (poppler's C++ interface) and
// reading their document information strings. The library's own messages
// about broken files are silenced: a malformed document is an ordinary
// failure result, never output.

#include <memory>
#include <string>
#include <string_view>

#include "readers/details/ProviderItem.h"

namespace poppler {
class document;
}

// Opens the PDF file at `path` without a password. Null when the path is not
// a regular file, the document cannot be read, or it needs a password.
std::unique_ptr<poppler::document> OpenPdfDocumentAt(const std::string& path);

// The same for an item: null for a folder, a member of an archive or an item
// without a file-system path.
std::unique_ptr<poppler::document> OpenPdfDocument(const CProviderItem& item);

// The text of information entry `key` ("Title", "Author", ...) as UTF-8: empty
// when the document has no information dictionary or the entry is no string.
std::string ReadPdfInfoString(const poppler::document& document, const char* key);

// How an information string's characters become the shown text. The library
// hands a string as 16-bit units: the UTF-16 units of a string that starts
// with a byte-order mark, else its bytes one by one. A unit above 0xFF makes
// the whole text "<unicode>"; otherwise the units are 8-bit characters up to
// the first zero, read in the Windows-1252 code page.
std::string PdfInfoUnitsToText(std::basic_string_view<unsigned short> units);
