#pragma once
// Extraction of found archive members for the main window. Before members
// are opened, copied, cut, dragged or handed to a context-menu command they
// are extracted into the program's private temporary folder, keeping their
// folder inside the archive, and their paths are handed on in place of the
// members. The main window owns one object of this class: it holds the
// extracted files and the folders made for them (deleted when it goes), the
// selection's payload for the clipboard and drag formats and the
// extraction-pending flag.
//
// While it extracts, the owner window is disabled and a progress dialog
// shows the bytes written; its Cancel asks "Do you want to cancel the
// operation?" and OK cancels the whole extraction (-10000). Members that
// cannot be extracted completely are removed and not handed on.

#include <QMessageBox>
#include <QString>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "app/engine/ResultArray.h"
#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellHelper.h"
#include "readers/archives/ArchiveExtractor.h"

class CProgressDlg;

// The result of an extraction the user cancelled.
constexpr int EXTRACTION_CANCELLED = -10000;

// What the selection offers to the clipboard and drag formats. Whoever
// prepares a copy or a drag fills it with the selection's ordinary files;
// extraction adds the extracted members.
struct CSelectionPayload {
    std::vector<std::size_t> m_arrArchiveIndices;  // selected members inside archives, sorted
    std::string m_strText;                         // plain text: each path followed by "\n"
    std::vector<std::string> m_arrDropFiles;       // the file-drop list
    std::vector<PidlPtr> m_arrItemIdLists;         // item lists of the shell item-list format

    void Clear();
};

class CArchiveExtraction {
public:
    // `shell` turns extracted paths into item identifier lists.
    explicit CArchiveExtraction(CShellHelper& shell);
    // Deletes every extracted file and every folder made for them.
    virtual ~CArchiveExtraction();
    CArchiveExtraction(const CArchiveExtraction&) = delete;
    CArchiveExtraction& operator=(const CArchiveExtraction&) = delete;

    // Extracts the listed results that lie inside archives, with `parent`
    // disabled and a progress dialog up; `out` receives the written paths in
    // index order. 0, or EXTRACTION_CANCELLED when the user cancelled.
    int ExtractArchiveItems(QWidget* parent, const CResultArray& results,
                            std::vector<std::size_t> indices, std::vector<std::string>* out);

    // Clears the extraction-pending flag, extracts the payload's archive
    // members (EXTRACTION_CANCELLED when cancelled) and adds each extracted
    // path to the payload: to the file-drop list, as an item identifier list
    // when the shell can make one, and to the text followed by "\n". 0.
    int ExtractSelectedArchiveItems(QWidget* parent, const CResultArray& results);

    CSelectionPayload& GetSelectionPayload() { return m_payload; }
    // Sets the payload's member indices (sorted here).
    void SetSelectedArchiveItems(std::vector<std::size_t> indices);
    BOOL IsExtractionPending() const { return m_bExtractionPending; }
    void SetExtractionPending(BOOL pending) { m_bExtractionPending = pending; }

    // The private temporary folder; empty until the first extraction.
    const std::string& GetTempPath() const { return m_extractor.GetFolder(); }
    std::vector<std::string> GetExtractedFiles() const { return m_extractor.GetExtractedFiles(); }
    std::vector<std::string> GetCreatedFolders() const { return m_extractor.GetCreatedFolders(); }
    // Deletes every extracted file and every folder made for them.
    void DeleteExtractedFiles() { m_extractor.Cleanup(); }

protected:
    // Shows a message box and returns the button pressed.
    virtual QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& text,
                                                       QMessageBox::StandardButtons buttons,
                                                       QMessageBox::Icon icon);
    // Makes the progress dialog of one extraction.
    virtual std::unique_ptr<CProgressDlg> CreateProgressDialog(QWidget* owner);

private:
    class CDialogProgress;

    CShellHelper& m_shell;
    CArchiveExtractor m_extractor;
    CSelectionPayload m_payload;
    BOOL m_bExtractionPending = FALSE;
};
