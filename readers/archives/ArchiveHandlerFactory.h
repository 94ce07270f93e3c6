#pragma once
// The table of reader factories from which CreateArchiveHandlers builds a
// handler list. Each archive kind has a fixed slot; the slot order is the
// order in which FindArchiveHandler tries the readers, so x.tar.gz is offered
// to TAR before GZ. A slot without a factory contributes no reader.

#include <cstddef>
#include <memory>

#include "readers/archives/ArchiveHandler.h"

enum class ArchiveSlot { Zip, Rar, Tar, Gz, Cab, Ace, Arj, Bz2 };
constexpr std::size_t ARCHIVE_SLOT_COUNT = 8;

using ArchiveHandlerFactory = std::unique_ptr<CArchiveHandler> (*)();

// The factory of a slot; nullptr when the slot has none.
ArchiveHandlerFactory GetArchiveHandlerFactory(ArchiveSlot slot);
// Installs a factory (nullptr empties the slot); returns the one it replaced.
ArchiveHandlerFactory SetArchiveHandlerFactory(ArchiveSlot slot, ArchiveHandlerFactory factory);
