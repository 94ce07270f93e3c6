#pragma once
// The detail provider of archives: the first line of the archive's
// "file_id.diz" member (in any folder, any letter case), read as code page
// 437 text, in the Comments column.
//
// It opens the archive through the reader FindArchiveHandler gives, the same
// reader the search uses for the archive's members; that is safe because
// only archives on disk are loaded (never members, so no member of another
// archive is being read through the reader at the time) and a provider is
// used by one thread at a time.

#include <cstddef>
#include <string>

#include "readers/details/FixedColumnProvider.h"

class CDizInfoProvider : public CFixedColumnProvider {
public:
    static constexpr std::size_t kMaxLineBytes = 199;

    CDizInfoProvider();

    // Every extension of every archive reader of the global list, in list
    // order; 0 when the list is empty.
    BOOL InitExtensions() override;
    BOOL Load(const CProviderItem& item) override;
    // Only once loaded: the line as the value's text.
    BOOL GetValue(int id, COLUMNVALUE* value) override;

private:
    std::string m_sDescription;
};
