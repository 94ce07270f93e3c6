#pragma once
// Scans a stream's content for a compiled include expression.

#include <atomic>

#include "app/engine/IncludeExpr.h"

class CSourceStream;

// 1 when the stream's content satisfies the expression in `pass`; a set
// `stop` flag ends the scan with 0.
BOOL SearchFileContent(CIncludeExprNodeArray& nodes, CSourceStream& stream, int pass,
                       const std::atomic<bool>& stop);
