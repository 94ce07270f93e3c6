// Loads search criteria and a combo-box history from arbitrary bytes, at each
// data-file version the loader knows.
#include <cstddef>
#include <cstdint>

#include "app/engine/ComboHistory.h"
#include "app/engine/DataFileVersion.h"
#include "app/engine/SearchData.h"
#include "platform/Archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (DWORD version : {0x10008u, 0x10009u, 0x10104u}) {
        SetDataFileVersion(version);
        try {
            CArchive ar(data, size);
            CSearchData criteria;
            criteria.Serialize(ar);
            CComboHistory history;
            history.LoadComboHistory(ar);
        } catch (const CArchiveException&) {
        }
    }
    return 0;
}
