#pragma once
// Scans a stream's content for a compiled include expression.
//
// The stream is read in blocks of 64 KB; each block after the first also
// holds the last GetLongestIncludeTerm + 4 bytes of the one before, so every
// match together with the character on each side of it lies whole inside one
// block. A match that touches a block edge which is not the file's start or
// end is left to the neighbouring block, so whole-word terms hold across the
// joins. A short read is not the end of the file: reading goes on until Read
// returns 0; a read error (-1) means no match.

#include <atomic>

#include "app/engine/IncludeExpr.h"

class CSourceStream;

// 1 when the stream's content satisfies the expression in `pass`; a set
// `stop` flag ends the scan with 0. The node states are reset first and are
// left as the scan ended (a PDF document's text may go on from them).
BOOL SearchFileContent(CIncludeExprNodeArray& nodes, CSourceStream& stream, int pass,
                       const std::atomic<bool>& stop);

// The 8-bit and the UTF-16 pass over ONE reading of the stream: 1 when either
// pass finds the expression satisfied, exactly as SearchFileContent with the
// 8-bit pass followed, when that gives 0, by SearchFileContent with the UTF-16
// pass on the stream reopened — for every stream that delivers the same bytes
// when it is read again (a file that is not written meanwhile, any archive
// member). The two passes keep separate node states over the same blocks; a
// pass whose root is decided stops being evaluated, and the reading ends when
// either root holds or both fail. When it returns 0 the nodes hold the UTF-16
// pass's states, as after the two calls. A set `stop` flag gives 0.
BOOL SearchFileContentBothPasses(CIncludeExprNodeArray& nodes, CSourceStream& stream,
                                 const std::atomic<bool>& stop);
