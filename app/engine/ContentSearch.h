#pragma once
// Scans a stream's content for a compiled include expression.
//
// The stream is read in blocks of 64 KB; each block after the first also
// holds the last GetLongestIncludeTerm + 4 bytes of the one before, so every
// match together with the character on each side of it lies whole inside one
// block. A match that touches a block edge which is not the file's start or
// end is left to the neighbouring block, so whole-word terms hold across the
// joins. A short read is not the end of the file: reading goes on until Read
// returns 0. A read error (-1) means no match unless the bytes read before it
// hold the answer: they are searched as the end of the text (a member cut
// short is searched as far as it goes), but a term that must be absent is
// not taken as absent.

#include <atomic>

#include "app/engine/IncludeExpr.h"

class CSourceStream;

// 1 when the stream's content satisfies the expression, a term holding where
// it occurs as 8-bit or as UTF-16 text (INCLUDE_PASS_EITHER); a set `stop`
// flag ends the scan with 0. The node states are reset first and are left as
// the scan ended, so a PDF document's text may go on from them.
BOOL SearchFileContent(CIncludeExprNodeArray& nodes, CSourceStream& stream,
                       const std::atomic<bool>& stop);
