#include "app/engine/UpdateCheck.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "app/engine/WebPageReader.h"
#include "platform/FaultTrace.h"
#include "platform/StringTable.h"

// The build sets the vendor's server address; without one the check is
// skipped.
#ifndef ZEMBROLT_UPDATE_URL
#define ZEMBROLT_UPDATE_URL ""
#endif

namespace {

// `base` with one "/" before `page`.
std::string PageUrl(const std::string& base, const char* page) {
    std::string url = base;
    if (!url.empty() && url.back() != '/') {
        url += '/';
    }
    return url + page;
}

}  // namespace

std::string FormatVersionText(DWORD version) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u%u", static_cast<unsigned>(version >> 16),
                  static_cast<unsigned>((version >> 8) & 0xFF),
                  static_cast<unsigned>(version & 0xFF));
    return text;
}

bool ParseVersionText(const std::string& text, DWORD& version) {
    // strtoul reads what "%x" reads (leading blanks, a sign, an optional
    // "0x"); like "%x" into a 32-bit number, only the low 32 bits are kept.
    const char* begin = text.c_str();
    char* end = nullptr;
    const unsigned long value = std::strtoul(begin, &end, 16);
    if (end == begin) {
        return false;
    }
    version = static_cast<DWORD>(value);
    return true;
}

std::string UpdateServerUrl() {
    return ZEMBROLT_UPDATE_URL;
}

std::string VersionPageUrl(const std::string& serverUrl) {
    return PageUrl(serverUrl, "version.txt");
}

std::string DownloadPageUrl(const std::string& serverUrl) {
    return PageUrl(serverUrl, "download.htm");
}

CUpdateCheckThread::~CUpdateCheckThread() {
    Stop();
}

bool CUpdateCheckThread::Start(IUpdateHost& host, std::string serverUrl, std::string httpLibrary) {
    if (serverUrl.empty() || m_thread.joinable()) {
        return false;
    }
    m_stop = false;
    try {
        m_thread = std::thread(
            [this, &host, serverUrl = std::move(serverUrl), httpLibrary = std::move(httpLibrary)] {
                Run(host, serverUrl, httpLibrary);
            });
    } catch (const std::system_error&) {
        return false;  // no thread could be made: the check is skipped
    }
    return true;
}

void CUpdateCheckThread::Wait() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CUpdateCheckThread::Stop() {
    m_stop = true;
    Wait();
}

void CUpdateCheckThread::Run(IUpdateHost& host, const std::string& serverUrl,
                             const std::string& httpLibrary) {
    try {
        CWebPageReader reader(httpLibrary.c_str());
        reader.SetStopFlag(&m_stop);
        const std::string text = reader.ReadPage(VersionPageUrl(serverUrl));
        DWORD version = 0;
        if (text.empty() || !ParseVersionText(text, version)) {
            return;
        }
        if (version > kProgramVersion && !m_stop) {
            Offer(host, version, serverUrl);
        }
    } catch (...) {
        // Every failure ends the check without a word to the user.
        zb::NoteIgnoredFault("the update check");
    }
}

void CUpdateCheckThread::Offer(IUpdateHost& host, DWORD version, const std::string& serverUrl) {
    const std::string text =
        FormatResourceString(IDS_NEWER_VERSION_RELEASED, FormatVersionText(version));
    const std::string caption = LoadResourceString(IDS_PROGRAM_NAME);
    const std::string downloadUrl = DownloadPageUrl(serverUrl);
    // The question is asked on the window's thread, so this thread never
    // waits for the user and the window can stop it at any time.
    host.PostToWindowThread([&host, text, caption, downloadUrl] {
        if (host.AskYesNo(text, caption)) {
            host.OpenUrl(downloadUrl);
        }
    });
}
