#include "app/engine/DataFileVersion.h"

#include <atomic>

namespace {

std::atomic<DWORD> g_dataFileVersion{kCurrentDataFileVersion};

}  // namespace

void SetDataFileVersion(DWORD version) {
    g_dataFileVersion.store(version);
}

DWORD GetDataFileVersion() {
    return g_dataFileVersion.load();
}
