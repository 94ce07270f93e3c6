#pragma once
// The hook through which the content search reads the text of PDF documents.
// The PDF reader installs its extractor at start-up; until one is installed,
// no PDF text is available and ExtractPdfText reports failure, so the content
// search simply finds nothing beyond the file's raw bytes.

#include <functional>
#include <string>

#include "platform/WinTypes.h"

class CTextBuffer;

// Renders the text of every page of the PDF file at `path` into `text`,
// testing the global stop flag (StopFlag.h) before each page. TRUE when the
// document opened (the buffer then holds the text of the pages rendered
// before a stop), FALSE when it did not.
using PdfTextExtractor = std::function<BOOL(const std::string& path, CTextBuffer* text)>;

// Installs the extractor for the whole process (an empty function removes
// it). Safe to call while other threads extract.
void SetPdfTextExtractor(PdfTextExtractor extractor);

// Runs the installed extractor; FALSE when none is installed or it fails.
BOOL ExtractPdfText(const std::string& path, CTextBuffer* text);
