#include "readers/archives/GzArchiveHandler.h"

#include "platform/TextCase.h"

BOOL CGzArchive::Init() {
    m_arrExtensions = {"gz"};
    m_nBlockSize = 0x10000;
    m_nFlags = ARCHIVE_FLAG_USABLE;
    return TRUE;
}

int CGzArchive::AcceptedFormats() const {
    return CCompressedStream::ACCEPT_GZIP | CCompressedStream::ACCEPT_PLAIN;
}

std::string CGzArchive::MemberName(const std::string& fileName) const {
    if (fileName.size() > 3 && LowerCaseUtf8(fileName.substr(fileName.size() - 3)) == ".gz") {
        return fileName.substr(0, fileName.size() - 3);
    }
    return fileName;
}

std::unique_ptr<CArchiveHandler> CreateGzArchiveHandler() {
    return std::make_unique<CGzArchive>();
}
