#pragma once
// Choosing the result list's columns: the "Select Visible Column" command,
// the header's pop-up menu, and making a new column list take effect (the
// list's columns are built again and the records' detail values moved to
// their new slots, or read again when a new detail column needs them).

#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>

#include "app/engine/DetailColumns.h"

class CResultListCtrl;
class CResultListModel;
class CSelectColumnDlg;
class QMenu;
class QWidget;

// "More.." of the header menu; every other item's command is its column id + 100.
constexpr int ID_HEADER_MORE_COLUMNS = 99;
constexpr int kHeaderColumnCommandBase = 100;

class CColumnChoice : public QObject {
    Q_OBJECT
public:
    // `window` is disabled while values are read again; all four must
    // outlive the object.
    CColumnChoice(QWidget* window, CDetailColumns& columns, CResultListModel* model,
                  CResultListCtrl* list);

    // Whether a search runs: the command does nothing then, and the header
    // menu says the columns cannot change.
    void SetSearchingTest(std::function<bool()> searching) { m_isSearching = std::move(searching); }
    // Shows a message box (tests record the text instead).
    void SetMessageBox(std::function<void(const QString&)> show) {
        m_showMessage = std::move(show);
    }
    // Runs the dialog modally; true for OK (tests answer in its place).
    void SetDialogRunner(std::function<bool(CSelectColumnDlg&)> run) {
        m_runDialog = std::move(run);
    }

    // "Select Visible Column": the dialog with the visible columns and the
    // others the standard columns and the providers offer; OK applies the
    // checked ones in the dialog's order.
    void OnSelectVisibleColumns();
    // The header's pop-up menu at `globalPos`; while a search runs only the
    // message "Column head can not be adjusted while searching.".
    void OnHeaderMenu(const QPoint& globalPos);
    // The menu's items: the visible columns checked (those that cannot be
    // hidden grayed), then the unchecked choices, a separator and "More..".
    void BuildHeaderMenu(QMenu& menu) const;
    // A command of that menu: "More.." opens the dialog; a visible column's
    // item removes it, another one appends its column.
    void OnHeaderCommand(int command);

    // Makes `columns` the visible columns.
    void SetVisibleColumns(CColumnInfoArray columns);
    // Removes the visible column with this id, if any (its values go).
    void RemoveColumn(int id);
    // Makes a changed column list take effect; `previous` is the list before.
    void ApplyVisibleColumns(const CColumnInfoArray& previous);

private:
    QWidget* m_pWindow;
    CDetailColumns& m_columns;
    CResultListModel* m_pModel;
    CResultListCtrl* m_pList;
    std::function<bool()> m_isSearching;
    std::function<void(const QString&)> m_showMessage;
    std::function<bool(CSelectColumnDlg&)> m_runDialog;
};
