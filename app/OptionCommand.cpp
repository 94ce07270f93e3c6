#include "app/OptionCommand.h"

#include <QCoreApplication>
#include <QFile>

#include "app/OptionDlg.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ZembroltDlg.h"
#include "app/engine/HotKeyWatcherControl.h"

COptionCommand::COptionCommand(CZembroltDlg& window, IHotKeyWatcherControl& watcher)
    : m_window(window), m_watcher(watcher) {}

void COptionCommand::Run() {
    CAdvancedOptions& options = m_window.AdvancedOptions();
    COptionDlg dialog(&m_window);
    dialog.m_nSearchResultLimit = options.m_nSearchResultLimit;
    dialog.m_nRecentSearchLimit = options.m_nRecentSearchLimit;
    dialog.m_bCheckNewerVersion = options.m_bCheckNewerVersion;
    dialog.m_bSizeInBytes = options.m_bSizeInBytes;
    dialog.m_nThumbnailWidth = options.m_nThumbnailWidth;
    dialog.m_nThumbnailHeight = options.m_nThumbnailHeight;
    dialog.m_cHotKey = options.m_cHotKey;
    if (!RunDialog(dialog))
        return;

    CAdvancedOptions chosen = options;
    chosen.m_nSearchResultLimit = dialog.m_nSearchResultLimit;
    chosen.m_nRecentSearchLimit = dialog.m_nRecentSearchLimit;
    chosen.m_bCheckNewerVersion = dialog.m_bCheckNewerVersion;
    chosen.m_bSizeInBytes = dialog.m_bSizeInBytes;
    chosen.m_nThumbnailWidth = dialog.m_nThumbnailWidth;
    chosen.m_nThumbnailHeight = dialog.m_nThumbnailHeight;
    chosen.m_cHotKey = dialog.m_cHotKey;
    ApplyOptionChanges(chosen, options, *this);
    // The list keeps the size form for its cells.
    m_window.ResultModel()->SetSizeInBytes(options.m_bSizeInBytes != FALSE);
}

bool COptionCommand::RunDialog(COptionDlg& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

bool COptionCommand::IsThumbnailViewShown() const {
    return m_window.ResultList()->GetViewMode() == VIEW_MODE_THUMBNAILS;
}

void COptionCommand::RemakeThumbnails(int width, int height) {
    // No thumbnail worker runs yet that could still be using a picture.
    if (const auto& results = m_window.ResultModel()->GetResults()) {
        for (std::size_t i = 0; i < results->GetCount(); ++i)
            results->GetAt(i).FreeThumbnail();
    }
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

void OnOptionCommand(CZembroltDlg& window) {
    CX11HotKeyWatcherControl watcher(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    COptionCommand(window, watcher).Run();
}
