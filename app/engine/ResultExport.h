#pragma once
// The result list written to a file: tab-separated text, an HTML table, or an
// M3U or PLS playlist, each in its fixed byte layout, and the numbered text
// files that printing hands to the print command.
//
// Every line of the four layouts ends with one CR LF (the PLS file's last
// line "Version=2" and the HTML file's "</body>" end without one). Cells are
// the texts the list shows; HTML escapes "<", ">", "&" and '"' in them.
// Playlists name each item by the bytes of its path, and leave out rows
// without a path on disk (archive members, shell items that are no files)
// and paths that hold a line break.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/PosixFile.h"
#include "platform/WinTypes.h"

// The choices of the export dialog's file types, in its order.
enum class ExportType : int { Text = 0, Html = 1, Pls = 2, M3u = 3 };

// The rows to export, in list order, with the visible columns in display
// order.
class IExportRows {
public:
    virtual ~IExportRows() = default;
    virtual std::size_t GetColumnCount() const = 0;
    // The column's short title.
    virtual std::string GetColumnTitle(std::size_t column) const = 0;
    virtual std::size_t GetRowCount() const = 0;
    virtual bool IsRowSelected(std::size_t row) const = 0;
    // The cell's text as the list shows it (UTF-8).
    virtual std::string GetCellText(std::size_t row, std::size_t column) const = 0;
    // The path on disk of the row's item; false for an archive member or an
    // item without a path.
    virtual bool GetRowPath(std::size_t row, std::string* path) const = 0;
};

// The writers of the four layouts: every row, or only the selected rows, to
// `fd`. False (errno set) when a write fails.
bool WriteTextExport(int fd, const IExportRows& rows, bool onlySelected);
bool WriteHtmlExport(int fd, const IExportRows& rows, bool onlySelected);
bool WriteM3uExport(int fd, const IExportRows& rows, bool onlySelected);
bool WritePlsExport(int fd, const IExportRows& rows, bool onlySelected);

// Writes `rows` in `type`'s layout to `path`, replacing the file whole: on a
// failure an existing file stays as it was. A file replaced keeps its
// permissions; a new one gets 0644. 1, or 0 with errno set.
BOOL ExportResults(const std::string& path, ExportType type, const IExportRows& rows,
                   bool onlySelected);

// The layout for the file name `path`, by the extension of its last
// component (after its last '.', any case): "htm" and "html" HTML, "pls" PLS,
// "m3u" M3U, any other Text. A last component without '.' gets the extension
// of `chosen` appended (".txt", ".htm", ".pls", ".m3u") and takes that type.
ExportType ExportTypeForPath(std::string* path, ExportType chosen);

// Makes the first of "<folder>/<prefix><n>.txt" for n = 0 to 9999 (or
// "<folder>/<n>.txt" with an empty prefix) that does not exist yet, as a new
// file (never an existing one or a link; mode 0600), open for writing; its
// name goes to `path`. A closed descriptor and an empty `path` when all
// 10,000 names are taken or the folder refuses new files.
zb::UniqueFd GetTempPrintFileName(const std::string& folder, const std::string& prefix,
                                  std::string* path);

// The print files of one program run: made in a private folder (mode 0700,
// under $TMPDIR or /tmp) on first use, and deleted with it at the end.
class CTempPrintFiles {
public:
    CTempPrintFiles() = default;
    ~CTempPrintFiles() { DeleteAll(); }
    CTempPrintFiles(const CTempPrintFiles&) = delete;
    CTempPrintFiles& operator=(const CTempPrintFiles&) = delete;

    // A new print file named after `prefix` (GetTempPrintFileName), kept for
    // DeleteAll; a closed descriptor when none can be made.
    zb::UniqueFd Create(const std::string& prefix, std::string* path);
    // Deletes every print file made and the private folder.
    void DeleteAll();
    const std::string& GetFolder() const { return m_strFolder; }

private:
    std::string m_strFolder;
    std::vector<std::string> m_arrFiles;
};
