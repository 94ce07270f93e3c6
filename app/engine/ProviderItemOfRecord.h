#pragma once
// The part of a result record that the detail and thumbnail providers read.

#include "app/engine/ResultItem.h"
#include "readers/details/ProviderItem.h"

// The record's name, its file-system path (a member's: its archive's), a
// member's inner path, and whether it is a folder or a member of an archive.
CProviderItem MakeProviderItem(const CResultItem& record);
