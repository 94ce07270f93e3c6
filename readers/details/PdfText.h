#pragma once
// The text of PDF documents for the content search: every page rendered in
// the order the page draws its text (the library's raw-order layout), so
// that a phrase that runs across words is found as the page reads.

#include <functional>
#include <string>
#include <string_view>

#include "platform/WinTypes.h"

class CTextBuffer;

// Renders pages 1 to the last of the PDF file at `path` into `buffer` (grown
// 1 MiB at a time): lines end "\r\n" and every page ends "\n\f\n\n". The
// global stop flag (StopFlag.h) is tested before each page; once it is set no
// further page is rendered. TRUE when the document opened (the buffer then
// holds the pages rendered before a stop), FALSE when it did not.
// `pageDone`, when given, is told the index of each page added. A document of
// many pages is rendered on up to `threads` threads (at most four), each with
// a copy of the document of its own; the pages are added in order all the
// same, up to the first one a stop or a fault left out.
BOOL ExtractPdfFileText(const std::string& path, CTextBuffer* buffer,
                        const std::function<void(int page)>& pageDone = {}, int threads = 1);

// Appends one page's text, as the library lays it out (lines ended "\n", the
// page possibly ended by a form feed), to `out` in the layout above. Zero
// bytes are left out: the buffer holds NUL-terminated text.
void AppendPdfPageText(std::string_view pageText, std::string& out);
