#include "app/engine/ResultExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/TextCase.h"
#include "platform/TextReplace.h"
#include "readers/archives/ArchiveExtractor.h"

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr std::size_t kFlushBytes = 1 << 16;
constexpr int kMaxPrintFileNumber = 9999;

// Collects the bytes of an export and hands them to the file in large pieces.
class CExportSink {
public:
    explicit CExportSink(int fd) : m_fd(fd) {}

    CExportSink& operator<<(std::string_view text) {
        m_buffer.append(text);
        if (m_buffer.size() >= kFlushBytes)
            Flush();
        return *this;
    }
    // Everything written so far reached the file.
    bool Finish() {
        Flush();
        return m_bOk;
    }

private:
    void Flush() {
        if (m_bOk && !zb::WriteAll(m_fd, m_buffer))
            m_bOk = false;
        m_buffer.clear();
    }

    int m_fd;
    std::string m_buffer;
    bool m_bOk = true;
};

// HTML cells: the markup characters as entities.
constexpr zb::CharReplacement kHtmlEscapes[] = {
    {'<', "&lt;"}, {'>', "&gt;"}, {'&', "&amp;"}, {'"', "&quot;"}};
// Text cells stay on one line of one column: tab, line feed and carriage
// return as "\t", "\n", "\r", and so a backslash as "\\".
constexpr zb::CharReplacement kTextEscapes[] = {
    {'\t', "\\t"}, {'\n', "\\n"}, {'\r', "\\r"}, {'\\', "\\\\"}};

bool Takes(const IExportRows& rows, std::size_t row, bool onlySelected) {
    return !onlySelected || rows.IsRowSelected(row);
}

// The row's path when a playlist can name it on one line.
bool PlaylistPath(const IExportRows& rows, std::size_t row, std::string* path) {
    return rows.GetRowPath(row, path) && !path->empty() &&
           path->find_first_of("\r\n") == std::string::npos;
}

const char* ExtensionOf(ExportType type) {
    switch (type) {
        case ExportType::Html:
            return ".htm";
        case ExportType::Pls:
            return ".pls";
        case ExportType::M3u:
            return ".m3u";
        case ExportType::Text:
            break;
    }
    return ".txt";
}

}  // namespace

bool WriteTextExport(int fd, const IExportRows& rows, bool onlySelected) {
    CExportSink out(fd);
    const std::size_t columns = rows.GetColumnCount();
    for (std::size_t column = 0; column < columns; ++column)
        out << zb::ReplaceChars(rows.GetColumnTitle(column), kTextEscapes) << "\t";
    out << kLineEnd;
    for (std::size_t row = 0; row < rows.GetRowCount(); ++row) {
        if (!Takes(rows, row, onlySelected))
            continue;
        for (std::size_t column = 0; column < columns; ++column)
            out << zb::ReplaceChars(rows.GetCellText(row, column), kTextEscapes) << "\t";
        out << kLineEnd;
    }
    return out.Finish();
}

bool WriteHtmlExport(int fd, const IExportRows& rows, bool onlySelected) {
    CExportSink out(fd);
    out << "<html>\r\n<head>\r\n<title>Zembrolt Search Result</title>\r\n"
           "<META NAME=Author CONTENT=Zembrolt>\r\n</head>\r\n"
        << "<body>\r\n<table border=1>\r\n";
    const std::size_t columns = rows.GetColumnCount();
    out << "<tr>";
    for (std::size_t column = 0; column < columns; ++column)
        out << "<td><p><b>" << zb::ReplaceChars(rows.GetColumnTitle(column), kHtmlEscapes)
            << "</b></p></td>\r\n";
    out << "</tr>\r\n";
    for (std::size_t row = 0; row < rows.GetRowCount(); ++row) {
        if (!Takes(rows, row, onlySelected))
            continue;
        out << "<tr>";
        for (std::size_t column = 0; column < columns; ++column)
            out << "<td><p>" << zb::ReplaceChars(rows.GetCellText(row, column), kHtmlEscapes)
                << "</p></td>\r\n";
        out << "</tr>\r\n";
    }
    out << "\r\n</table>\r\n</body>";
    return out.Finish();
}

bool WriteM3uExport(int fd, const IExportRows& rows, bool onlySelected) {
    CExportSink out(fd);
    out << "#EXTM3U" << kLineEnd;
    std::string path;
    for (std::size_t row = 0; row < rows.GetRowCount(); ++row) {
        if (Takes(rows, row, onlySelected) && PlaylistPath(rows, row, &path))
            out << path << kLineEnd;
    }
    return out.Finish();
}

bool WritePlsExport(int fd, const IExportRows& rows, bool onlySelected) {
    CExportSink out(fd);
    out << "[playlist]" << kLineEnd;
    std::size_t entries = 0;
    std::string path;
    for (std::size_t row = 0; row < rows.GetRowCount(); ++row) {
        if (!Takes(rows, row, onlySelected) || !PlaylistPath(rows, row, &path))
            continue;
        out << "File" << std::to_string(row) << "=" << path << kLineEnd;
        ++entries;
    }
    out << "NumberOfEntries=" << std::to_string(entries) << kLineEnd << "Version=2";
    return out.Finish();
}

BOOL ExportResults(const std::string& path, ExportType type, const IExportRows& rows,
                   bool onlySelected) {
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)
                            ? existing.st_mode & 07777
                            : zb::NewFileMode();
    const auto write = [&](int fd) {
        switch (type) {
            case ExportType::Html:
                return WriteHtmlExport(fd, rows, onlySelected);
            case ExportType::Pls:
                return WritePlsExport(fd, rows, onlySelected);
            case ExportType::M3u:
                return WriteM3uExport(fd, rows, onlySelected);
            case ExportType::Text:
                break;
        }
        return WriteTextExport(fd, rows, onlySelected);
    };
    return zb::WriteFileAtomically(path, mode, write) ? TRUE : FALSE;
}

ExportType ExportTypeForPath(std::string* path, ExportType chosen) {
    const std::size_t slash = path->rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path->rfind('.');
    if (dot == std::string::npos || dot < nameStart) {
        *path += ExtensionOf(chosen);
        return chosen;
    }
    const std::string extension = LowerCaseUtf8(path->substr(dot + 1));
    if (extension == "htm" || extension == "html")
        return ExportType::Html;
    if (extension == "pls")
        return ExportType::Pls;
    if (extension == "m3u")
        return ExportType::M3u;
    return ExportType::Text;
}

zb::UniqueFd GetTempPrintFileName(const std::string& folder, const std::string& prefix,
                                  std::string* path) {
    const std::string start = (folder == "/" ? "" : folder) + "/" + prefix;
    for (int number = 0; number <= kMaxPrintFileNumber; ++number) {
        std::string candidate = start + std::to_string(number) + ".txt";
        zb::UniqueFd file(
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (file.IsOpen()) {
            *path = std::move(candidate);
            return file;
        }
        if (errno != EEXIST)
            break;
    }
    path->clear();
    return zb::UniqueFd();
}

zb::UniqueFd CTempPrintFiles::Create(const std::string& prefix, std::string* path) {
    path->clear();
    if (m_strFolder.empty()) {
        std::string pattern = GetExtractionTempBase();
        while (pattern.size() > 1 && pattern.back() == '/')
            pattern.pop_back();
        pattern += "/zembrolt-print-XXXXXX";
        // mkdtemp makes the folder with mode 0700.
        if (!::mkdtemp(pattern.data()))
            return zb::UniqueFd();
        m_strFolder = pattern;
    }
    zb::UniqueFd file = GetTempPrintFileName(m_strFolder, prefix, path);
    if (file.IsOpen())
        m_arrFiles.push_back(*path);
    return file;
}

void CTempPrintFiles::DeleteAll() {
    for (const std::string& file : m_arrFiles)
        ::unlink(file.c_str());
    m_arrFiles.clear();
    if (!m_strFolder.empty())
        ::rmdir(m_strFolder.c_str());
    m_strFolder.clear();
}
