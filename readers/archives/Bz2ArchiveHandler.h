#pragma once
// The reader for ".bz" and ".bz2" files: one member, the decompressed
// contents, named after the file without its ".bz" or ".bz2". Concatenated
// bzip2 streams are read as one; a file that is not bzip2 does not open.

#include <memory>
#include <string>

#include "readers/archives/SingleMemberArchive.h"

class CBz2Archive : public CSingleMemberArchive {
public:
    // Extensions "bz", "bz2"; block size 0x10000; usable.
    BOOL Init() override;

protected:
    int AcceptedFormats() const override;
    // The name without a final ".bz" or ".bz2" (any case), when it is longer
    // than 3 characters and something is left.
    std::string MemberName(const std::string& fileName) const override;
};

std::unique_ptr<CArchiveHandler> CreateBz2ArchiveHandler();
