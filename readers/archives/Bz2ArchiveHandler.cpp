#include "readers/archives/Bz2ArchiveHandler.h"

#include "platform/TextCase.h"

BOOL CBz2Archive::Init() {
    m_arrExtensions = {"bz", "bz2"};
    m_nBlockSize = 0x10000;
    m_nFlags = ARCHIVE_FLAG_USABLE;
    return TRUE;
}

int CBz2Archive::AcceptedFormats() const {
    return CCompressedStream::ACCEPT_BZIP2;
}

std::string CBz2Archive::MemberName(const std::string& fileName) const {
    const std::size_t dot = fileName.rfind('.');
    if (fileName.size() <= 3 || dot == std::string::npos) {
        return fileName;
    }
    const std::string extension = LowerCaseUtf8(fileName.substr(dot + 1));
    if ((extension == "bz" || extension == "bz2") && dot > 0) {
        return fileName.substr(0, dot);
    }
    return fileName;
}

std::unique_ptr<CArchiveHandler> CreateBz2ArchiveHandler() {
    return std::make_unique<CBz2Archive>();
}
