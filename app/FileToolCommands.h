#pragma once
// The file tools run from the main window over its rows: Change Attributes,
// Change File Time and the rename tool act on the selected rows that are
// files on disk and write back into their records; the duplicate finder and
// the redundant-file finder fill the list through the search engine (the
// duplicates with their "Dup No" and Size columns).

#include <QObject>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

#include "app/engine/AdvancedOptions.h"
#include "app/engine/FileTypeGroups.h"
#include "tools/RedundantFinder.h"

class CColumnChoice;
class CDetailColumns;
class CResultItem;
class CResultListCtrl;
class CResultListModel;
class CSearchEngine;
class QWidget;

class CFileToolCommands : public QObject {
    Q_OBJECT
public:
    // The rows of `list` over `model`, the results of `engine`, the visible
    // `columns` and their `choice`, the result limit of `options` and the
    // type `groups` must all outlive the object; its dialogs belong to `window`.
    CFileToolCommands(QWidget* window, CSearchEngine& engine, CResultListModel* model,
                      CResultListCtrl* list, CDetailColumns& columns, CColumnChoice& choice,
                      const CAdvancedOptions& options, const CFileTypeGroupArray& groups);

    // The names typed before (the duplicate finder offers them); making the
    // readers and providers before a finder runs; the yes-or-no question
    // after a stopped duplicate search; where Find Redundant Files looks.
    void SetNameHistory(std::function<QStringList()> names) { m_nameHistory = std::move(names); }
    void SetProviderMaker(std::function<void()> make) { m_ensureProviders = std::move(make); }
    void SetQuestionBox(
        std::function<bool(const std::string& text, const std::string& caption)> ask) {
        m_ask = std::move(ask);
    }
    void SetRedundantRoots(std::function<RedundantRoots()> roots) { m_roots = std::move(roots); }

    void OnChangeAttributes();
    void OnChangeFileTime();
    void OnRename();
    // Find Duplicate Files: the settings, the search behind its progress
    // dialog, then the groups as rows with their "Dup No".
    void OnFindDuplicateFiles();
    // Find Redundant Files: the categories, then the search on the search
    // thread (Find stops it).
    void OnFindRedundantFiles();
    // The selected rows' records that are files on disk.
    std::vector<CResultItem*> GetSelectedDiskRecords() const;

signals:
    // Records or rows changed (the status bar follows).
    void RowsChanged();
    // The rename tool's failures were shown in the log window.
    void LogWindowShown();

private:
    // "Dup No" as the first detail column (at position 2) unless shown; its index.
    int InsertDupNoColumn();
    // Appends the Size column when it is not shown.
    void EnsureSizeColumn();
    // Repaints the rows after a tool changed records.
    void RedrawResults();
    // After Change Attributes with sub folders: reads the attributes of the
    // selected rows and of the rows below the selected folders `records`
    // again, the only ones the change can have reached.
    void ReadChangedAttributes(const std::vector<CResultItem*>& records);

    QWidget* m_pWindow;
    CSearchEngine& m_engine;
    CResultListModel* m_pModel;
    CResultListCtrl* m_pList;
    CDetailColumns& m_columns;
    CColumnChoice& m_choice;
    const CAdvancedOptions& m_options;
    const CFileTypeGroupArray& m_groups;
    std::function<QStringList()> m_nameHistory;
    std::function<void()> m_ensureProviders;
    std::function<bool(const std::string& text, const std::string& caption)> m_ask;
    std::function<RedundantRoots()> m_roots;
    // The redundant-file finder's choices for this run of the program.
    CRedundantOptions m_RedundantOptions;
};
