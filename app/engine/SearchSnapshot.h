#pragma once
// Everything a search reads, taken at Find: the criteria, the prepared name
// patterns and the compiled include expression. The search thread works on its
// own copy and never reads the window's members.

#include <memory>
#include <vector>

#include "app/engine/ContentAnswerCache.h"
#include "app/engine/FileNamePattern.h"
#include "app/engine/IncludeExpr.h"
#include "app/engine/SearchData.h"

struct CSearchSnapshot {
    CSearchData criteria;
    // Lower-cased unless file names are case-sensitive.
    std::vector<CFileNamePattern> patterns;
    CIncludeExprNodeArray includeNodes;
    // Set by the search for its run: the contents answers of the files read,
    // shared by every copy its threads test with, and the threads a PDF
    // document's page text may be rendered on.
    std::shared_ptr<CContentAnswerCache> contentAnswers;
    int pageTextThreads = 1;
};
