#pragma once
// The hook through which the content search reads the text of PDF documents.
// Unless another extractor is installed, the text comes from the PDF library
// (ExtractPdfFileText, PdfText.h); tests install their own.

#include <functional>
#include <string>

#include "platform/WinTypes.h"

class CTextBuffer;

// Renders the text of every page of the PDF file at `path` into `text`,
// testing the global stop flag (StopFlag.h) before each page. TRUE when the
// document opened (the buffer then holds the text of the pages rendered
// before a stop), FALSE when it did not.
using PdfTextExtractor = std::function<BOOL(const std::string& path, CTextBuffer* text)>;

// Installs the extractor for the whole process; an empty function puts the
// PDF library's back. Safe to call while other threads extract.
void SetPdfTextExtractor(PdfTextExtractor extractor);

// Runs the installed extractor; FALSE when it fails. The PDF library's renders
// a long document on up to `threads` threads.
BOOL ExtractPdfText(const std::string& path, CTextBuffer* text, int threads = 1);
