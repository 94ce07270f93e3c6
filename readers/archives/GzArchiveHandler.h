#pragma once
// The reader for ".gz" files: one member, the decompressed contents (a file
// that is not gzip is passed through unchanged), named after the file without
// its ".gz". Concatenated gzip members are read as one.

#include <memory>
#include <string>

#include "readers/archives/SingleMemberArchive.h"

class CGzArchive : public CSingleMemberArchive {
public:
    // Extension "gz"; block size 0x10000; usable.
    BOOL Init() override;

protected:
    int AcceptedFormats() const override;
    // The name without a final ".gz" (any case), when it is longer than that.
    std::string MemberName(const std::string& fileName) const override;
};

std::unique_ptr<CArchiveHandler> CreateGzArchiveHandler();
