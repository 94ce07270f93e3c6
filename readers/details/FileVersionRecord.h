#pragma once
// One file's fixed version, first translation, "FileVersion" string and
// language name, read from its version resource.

#include <cstdint>
#include <string>

class CFileVersionRecord {
public:
    static constexpr int STATUS_READ = 0;
    static constexpr int STATUS_NO_FILE = 1;
    static constexpr int STATUS_NO_RESOURCE = 2;
    static constexpr int STATUS_QUERY_FAILED = 3;

    CFileVersionRecord() = default;
    virtual ~CFileVersionRecord() = default;

    // Reads the file's version resource; returns and keeps the status.
    int Read(const std::string& path);

    int GetStatus() const { return m_nStatus; }
    const std::string& GetPath() const { return m_sPath; }
    // Major version in the high 16 bits, minor in the low ones.
    std::uint32_t GetFileVersionMS() const { return m_dwFileVersionMS; }
    // Language in the low 16 bits, code page in the high ones.
    std::uint32_t GetTranslation() const { return m_dwTranslation; }
    const std::string& GetFileVersion() const { return m_sFileVersion; }
    const std::string& GetLanguageName() const { return m_sLanguageName; }

private:
    std::uint32_t m_dwFileVersionMS = 0;
    std::uint32_t m_dwTranslation = 0;
    std::string m_sFileVersion;
    std::string m_sLanguageName;
    int m_nStatus = STATUS_NO_FILE;
    std::string m_sPath;
};
