#pragma once
// The redundant-file finder as a search of the main window: it runs on the
// engine's search thread (so Find is its Stop and no other search starts
// meanwhile), empties the result list, and every item it finds becomes a row
// through the engine, as a search's matches do.

#include "app/engine/SearchEngine.h"
#include "tools/RedundantFinder.h"

// Starts the finder on the engine's search thread; FALSE when a search runs.
BOOL StartRedundantSearch(CSearchEngine& engine, const CRedundantOptions& options,
                          RedundantRoots roots);

// The finder's whole run on the calling thread (the search thread's task).
void RunRedundantSearch(CSearchEngine& engine, const CRedundantOptions& options,
                        const RedundantRoots& roots);
