#include "readers/details/FileInfoProvider.h"

#include "readers/details/ProviderExtensions.h"

BOOL CFileInfoProvider::Reset() {
    return TRUE;
}

BOOL CFileInfoProvider::IsSupported(const std::string& path) const {
    return IsSupportedExtension(m_arrExtensions, path) ? TRUE : FALSE;
}
