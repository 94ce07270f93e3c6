#include "readers/archives/ArchiveHandlerFactory.h"

#include <array>

#include "readers/archives/AceArchiveHandler.h"
#include "readers/archives/ArjArchiveHandler.h"
#include "readers/archives/Bz2ArchiveHandler.h"
#include "readers/archives/CabArchiveHandler.h"
#include "readers/archives/GzArchiveHandler.h"
#include "readers/archives/RarArchiveHandler.h"
#include "readers/archives/TarArchiveHandler.h"
#include "readers/archives/ZipArchiveHandler.h"

namespace {

// One entry per archive kind, in slot order. A reader registers itself by
// putting its factory function into its slot here.
std::array<ArchiveHandlerFactory, ARCHIVE_SLOT_COUNT> g_factories = {
    CreateZipArchiveHandler,  // ZIP and PAK
    CreateRarArchiveHandler,  // RAR and its volumes
    CreateTarArchiveHandler,  // TAR, gzip- and bzip2-compressed TAR
    CreateGzArchiveHandler,   // GZ
    CreateCabArchiveHandler,  // CAB and its sets
    CreateAceArchiveHandler,  // ACE (listed, not unpacked)
    CreateArjArchiveHandler,  // ARJ and its volumes
    CreateBz2ArchiveHandler,  // BZ2
};

}  // namespace

ArchiveHandlerFactory GetArchiveHandlerFactory(ArchiveSlot slot) {
    return g_factories[static_cast<std::size_t>(slot)];
}

ArchiveHandlerFactory SetArchiveHandlerFactory(ArchiveSlot slot, ArchiveHandlerFactory factory) {
    ArchiveHandlerFactory& entry = g_factories[static_cast<std::size_t>(slot)];
    const ArchiveHandlerFactory previous = entry;
    entry = factory;
    return previous;
}
