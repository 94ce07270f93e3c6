#include "app/OptionCommand.h"

#include <QCoreApplication>
#include <QFile>

#include "app/OptionDlg.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ZembroltDlg.h"
#include "app/engine/HotKeyWatcherControl.h"

namespace {

// Calls `copy` with each field of the dialog and the option it edits.
template <typename Copy>
void ForEachOptionField(COptionDlg& dialog, CAdvancedOptions& options, Copy copy) {
    copy(dialog.m_nSearchResultLimit, options.m_nSearchResultLimit);
    copy(dialog.m_nRecentSearchLimit, options.m_nRecentSearchLimit);
    copy(dialog.m_bCheckNewerVersion, options.m_bCheckNewerVersion);
    copy(dialog.m_bSizeInBytes, options.m_bSizeInBytes);
    copy(dialog.m_nThumbnailWidth, options.m_nThumbnailWidth);
    copy(dialog.m_nThumbnailHeight, options.m_nThumbnailHeight);
    copy(dialog.m_cHotKey, options.m_cHotKey);
}

}  // namespace

COptionCommand::COptionCommand(CZembroltDlg& window, IHotKeyWatcherControl& watcher)
    : m_window(window), m_watcher(watcher) {}

void COptionCommand::Run() {
    CAdvancedOptions& options = m_window.AdvancedOptions();
    COptionDlg dialog(&m_window);
    ForEachOptionField(dialog, options, [](auto& field, const auto& option) { field = option; });
    if (!RunDialog(dialog))
        return;
    CAdvancedOptions chosen = options;
    ForEachOptionField(dialog, chosen, [](const auto& field, auto& option) { option = field; });
    ApplyOptionChanges(chosen, options, *this);
    // The list keeps the size form for its cells, and the thumbnail size for
    // the next time the Thumbnails view is entered.
    m_window.ResultModel()->SetSizeInBytes(options.m_bSizeInBytes != FALSE);
    m_window.ResultList()->SetThumbnailSize(
        QSize(options.m_nThumbnailWidth, options.m_nThumbnailHeight));
}

bool COptionCommand::RunDialog(COptionDlg& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

bool COptionCommand::IsThumbnailViewShown() const {
    return m_window.ResultList()->GetViewMode() == VIEW_MODE_THUMBNAILS;
}

void COptionCommand::RemakeThumbnails(int width, int height) {
    // The thumbnail loader makes the pictures again at the view's new size.
    m_window.ResultList()->SetThumbnailView(QSize(width, height));
}

BOOL COptionCommand::SaveSettings() {
    return m_window.SaveSettings();
}

void COptionCommand::RestartHotKeyProgram(BYTE letter) {
    ::RestartHotKeyProgram(letter, m_watcher);
}

std::vector<CSearchData>& COptionCommand::RecentSearches() {
    return m_window.RecentSearches();
}

void COptionCommand::BuildRecentMenu() {
    m_window.BuildRecentMenu();
}

void OnOptionCommand(CZembroltDlg& window) {
    CX11HotKeyWatcherControl watcher(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    COptionCommand(window, watcher).Run();
}
