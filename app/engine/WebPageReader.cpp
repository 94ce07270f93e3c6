#include "app/engine/WebPageReader.h"

CWebPageReader::CWebPageReader(const char* httpLibrary) : m_session(kWebAgentName, httpLibrary) {}

CWebPageReader::~CWebPageReader() = default;

bool CWebPageReader::IsNetworkAvailable(const std::string& url) const {
    return zb::HttpHostResolves(url);
}

std::string CWebPageReader::ReadPage(const std::string& url) const {
    std::string text;
    if (!m_session.IsOpen() || !IsNetworkAvailable(url)) {
        return text;
    }
    const std::unique_ptr<zb::CHttpRequest> request = m_session.OpenUrl(url);
    if (!request) {
        return text;
    }
    std::uint64_t length = 0;
    if (request->QueryContentLength(length)) {
        request->ReadFile(static_cast<std::size_t>(length), text);
    }
    return text;
}
