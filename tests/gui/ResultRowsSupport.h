#pragma once
// Helpers of the window tests that work on found rows: files written and
// read back, the main window with its message boxes kept back, a search run
// to its end, rows found by name and selected, and a result list without the
// window that the engine fills, with or without the commands on its rows.
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QTest>

#include "app/ExportDialog.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ResultRowCommands.h"
#include "app/ZembroltDlg.h"
#include "app/engine/SearchEngine.h"

namespace zbgui {

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The main window with its message boxes kept back and their texts kept.
class QuietDlg : public CZembroltDlg {
public:
    QStringList messages;

protected:
    void ShowMessageBox(const QString& text, QMessageBox::Icon) override { messages << text; }
};

// Searches `names` in `folder` and waits for the rows.
inline void Find(CZembroltDlg& window, const QString& names, const QString& folder, int rows) {
    window.FileNameCombo()->setEditText(names);
    window.LookInCombo()->setEditText(folder);
    window.OnFind();
    QTRY_VERIFY(!window.IsSearching());
    // The search thread posts its rows before it ends: the window takes them
    // all before they are counted, or an earlier result of the same size
    // would pass for them.
    QCoreApplication::sendPostedEvents();
    QTRY_COMPARE(window.ResultModel()->GetRowCount(), rows);
    // The rows may have come while the search still ran: what it asked of
    // the window before it ended (the commands enabled again) is done too.
    QCoreApplication::processEvents();
}

inline int RowNamed(const CResultListModel& model, const QString& name) {
    for (int row = 0; row < model.GetRowCount(); ++row) {
        if (model.GetCellText(row, 0) == name)
            return row;
    }
    return -1;
}

inline int RowNamed(CZembroltDlg& window, const QString& name) {
    return RowNamed(*window.ResultModel(), name);
}

// Selects exactly the rows named `names` and gives the list the focus.
inline QAbstractItemView* SelectRows(CResultListCtrl& list, const QStringList& names) {
    QItemSelectionModel* selection = list.GetSelectionModel();
    selection->clearSelection();
    for (const QString& name : names) {
        const QModelIndex index = list.GetModel()->index(RowNamed(*list.GetModel(), name), 0);
        selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    QAbstractItemView* view = list.GetCurrentView();
    view->setFocus();
    return view;
}

inline QAbstractItemView* SelectRows(CZembroltDlg& window, const QStringList& names) {
    return SelectRows(*window.ResultList(), names);
}

// A result list without the window: a model, its list in a window of its
// own, and the engine that fills it, searching on the test's thread.
struct FoundRows {
    QWidget window;
    CResultListModel model{nullptr};
    CResultListCtrl* list = new CResultListCtrl(&model, &window);
    CSearchEngine engine{nullptr, &model};

    FoundRows() {
        model.SetResults(engine.GetResultList().GetResults());
        window.resize(600, 400);
        list->resize(600, 400);
    }
    // Searches `names` in `folder` (with sub-folders and inside archives)
    // and takes the rows in; their count.
    int Find(const QString& names, const QString& folder) {
        CSearchData criteria;
        criteria.Reset();
        criteria.m_MainData.m_sFindString = names.toStdString();
        criteria.m_MainData.m_sFindRootPath = QFile::encodeName(folder).toStdString();
        CSearchRequest request;
        if (!PrepareSearchRequest(criteria, &request).Ok())
            return -1;
        engine.RunSearch(std::move(request));
        QCoreApplication::sendPostedEvents(&model, QEvent::MetaCall);
        return model.GetRowCount();
    }
    int Row(const QString& name) const { return RowNamed(model, name); }
    QAbstractItemView* Select(const QStringList& names) { return SelectRows(*list, names); }
};

// The commands on rows the engine found, without the window: their
// questions kept and answered with `answer`, their messages kept, the export
// dialog answered with `exportChoice`.
struct RowCommands : FoundRows {
    CResultRowCommands commands{&window, &model, list};
    bool answer = true;
    QStringList questions;
    QStringList messages;
    QList<QMessageBox::Icon> icons;
    CExportChoice exportChoice;

    RowCommands() {
        commands.SetQuestionBox([this](const QString& text) {
            questions << text;
            return answer;
        });
        commands.SetMessageBox([this](const QString& text, QMessageBox::Icon icon) {
            messages << text;
            icons << icon;
        });
        commands.SetExportDialog([this](CExportChoice* choice) {
            *choice = exportChoice;
            return true;
        });
    }
};

}  // namespace zbgui
