#pragma once
// Everything a search reads, taken at Find: the criteria, the prepared name
// patterns and the compiled include expression. The search thread works on its
// own copy and never reads the window's members.

#include <vector>

#include "app/engine/FileNamePattern.h"
#include "app/engine/IncludeExpr.h"
#include "app/engine/SearchData.h"

struct CSearchSnapshot {
    CSearchData criteria;
    // Lower-cased unless file names are case-sensitive.
    std::vector<CFileNamePattern> patterns;
    CIncludeExprNodeArray includeNodes;
};
