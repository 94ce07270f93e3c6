#pragma once
// The result list's commands on its rows: Delete (the Delete key and the
// command; items go to the Trash after asking, and rows whose items are gone
// leave the list), Rename (in place for one row, else the rename tool),
// what the selection allows, Export and Print. It asks and tells the user
// the questions and messages of delete and rename (IFileOperationUi).

#include <QMessageBox>
#include <QObject>
#include <QString>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/engine/ResultExport.h"
#include "platform/FileOperation.h"

class CResultListCtrl;
class CResultListModel;
class QWidget;

// What the export dialog asked for.
struct CExportChoice {
    QString path;
    ExportType type = ExportType::Pls;
    bool onlySelected = false;
};

class CResultRowCommands : public QObject, public zb::IFileOperationUi {
    Q_OBJECT
public:
    // Acts on the rows of `list` over `model`, which must outlive it; the
    // dialogs and message boxes belong to `window`. It takes the list's
    // Delete key, its editing of names and their end.
    CResultRowCommands(QWidget* window, CResultListModel* model, CResultListCtrl* list);

    // Whether a search runs: the commands that change records wait for its end.
    void SetSearchingTest(std::function<bool()> searching) { m_isSearching = std::move(searching); }
    // Shows a message box (the window's one sink).
    void SetMessageBox(std::function<void(const QString&, QMessageBox::Icon)> show) {
        m_showMessage = std::move(show);
    }
    // Asks a yes-or-no question of delete and rename; the export dialog.
    // Tests answer in their place.
    void SetQuestionBox(std::function<bool(const QString&)> ask) { m_ask = std::move(ask); }
    void SetExportDialog(std::function<bool(CExportChoice*)> run) {
        m_runExportDialog = std::move(run);
    }
    // The program and first arguments the print file is handed to (the
    // file's path is appended): "lp" unless set.
    void SetPrintCommand(std::vector<std::string> command) { m_printCommand = std::move(command); }
    const std::vector<std::string>& GetPrintCommand() const { return m_printCommand; }
    // Print files, deleted when the window closes.
    CTempPrintFiles& PrintFiles() { return m_printFiles; }

    // The commands on the selection (Copy, Cut, Delete, Change Attributes,
    // Change File Time, Rename) that its records do not allow.
    std::set<int> RefusedCommands() const;

    // The Delete key: with at most one selected row its deletable item goes
    // through the shell's "delete" verb, with more the Delete command runs.
    void OnDeleteKey();
    // Delete: the selected items on disk go to the Trash (after asking).
    void OnDeleteCommand();
    // Rows whose items are gone leave the list in one pass; their records
    // stay, marked vanished.
    void RemoveVanishedSelection();
    // Rename: with one selected row its name is edited in place; several
    // rows on disk that hold a folder must lie in one folder, else "You
    // selected one or more directories . ..." (40016); then the rename tool.
    void OnRenameCommand();
    // Whether the name of `row` may be edited in place: no search runs, the
    // record is neither inside an archive nor an archive file whose members
    // are rows, and its folder allows renaming it.
    bool CanEditLabel(int row);
    // The end of an in-place edit: renames the row's item to `text`; true
    // when it was renamed (an unchanged text renames nothing).
    bool RenameRow(int row, const QString& text);

    // Export Search Result: the export dialog, then the chosen layout
    // written to the chosen file; a failure says "Failed in exporting to %s".
    void OnExport();
    // The list's rows, or only its selected rows, written to `path` in one
    // layout (replacing the file whole); 1, or 0 when the file cannot be
    // written (an existing file then stays as it was).
    BOOL ExportText(const std::string& path, bool onlySelected);
    BOOL ExportHtml(const std::string& path, bool onlySelected);
    BOOL ExportM3u(const std::string& path, bool onlySelected);
    BOOL ExportPls(const std::string& path, bool onlySelected);
    // Print Search Result: the text export of all rows into a new print
    // file, handed to the print command.
    void OnPrint();

    // IFileOperationUi: the questions and messages as message boxes.
    bool AskFileOperation(const std::string& text) override;
    void ReportFileOperation(const std::string& text) override;

signals:
    // Rows left the list (the status bar and the commands follow).
    void RowsRemoved();
    // Rename with several rows on disk: the rename tool's turn.
    void RenameToolRequested();

private:
    bool ExportRows(const std::string& path, ExportType type, bool onlySelected);
    bool IsSearching() const { return m_isSearching && m_isSearching(); }
    void ShowWarning(const QString& text) { m_showMessage(text, QMessageBox::Warning); }

    QWidget* m_pWindow;
    CResultListModel* m_pModel;
    CResultListCtrl* m_pList;
    std::function<bool()> m_isSearching;
    std::function<void(const QString&, QMessageBox::Icon)> m_showMessage;
    std::function<bool(const QString&)> m_ask;
    std::function<bool(CExportChoice*)> m_runExportDialog;
    CTempPrintFiles m_printFiles;
    std::vector<std::string> m_printCommand{"lp"};
};
