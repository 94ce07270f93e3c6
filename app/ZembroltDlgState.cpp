// The main window's state between runs: registry settings, the data file,
// the file type groups and the update check's questions.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

#include "app/AdvanceOptionSheet.h"
#include "app/ColumnChoice.h"
#include "app/ComboHistoryBox.h"
#include "app/FileTypeGroupDlg.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ZembroltDlg.h"
#include "readers/archives/ArchiveHandler.h"
#include "ui/FolderTreeCtrl.h"
#include "ui/HoverButton.h"

// The window's side of the settings store and of the data file.
class CZembroltDlgStateHost : public ISettingsWindow, public IDataFileSection {
public:
    explicit CZembroltDlgStateHost(CZembroltDlg& window) : m_window(window) {}

    BOOL LoadOptionPages(CRegKey& key) override {
        return m_window.m_pOptionSheet->LoadFromRegistry(key);
    }
    BOOL SaveOptionPages(CRegKey& key) override {
        return m_window.m_pOptionSheet->SaveToRegistry(key);
    }
    void ResetOptionPages() override {
        m_window.m_pOptionSheet->Reset();
        m_window.UpdateAdvanceButtonColor();
    }
    void PlaceWindow(const WindowRect& rect) override {
        m_window.m_savedRect = {rect.left, rect.top, rect.right, rect.bottom};
        m_window.ClampSavedPosition();
        m_window.RestoreSavedPosition();
    }
    void ShowLookInPath(const std::string& path) override {
        m_window.m_sLookIn = QFile::decodeName(path.c_str());
        m_window.m_CurSearchData.m_MainData.m_sFindRootPath = path;
        m_window.m_pLookInCombo->setEditText(m_window.m_sLookIn);
        if (!path.empty())
            m_window.m_pFolderTree->SelectPath(path);
    }
    void ShowOptionSheet(BOOL show) override {
        m_window.m_bAdvance = show;
        m_window.UpdateAdvanceButton();
        m_window.LayoutControls();
    }
    WindowRect GetRectToSave() const override {
        if (m_window.isMinimized())
            return {};
        const QRect frame = m_window.geometry();
        return {frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1};
    }

    BOOL WriteDataFile(CArchive& ar) override { return m_window.m_pOptionSheet->WriteDataFile(ar); }
    BOOL ReadDataFile(CArchive& ar) override { return m_window.m_pOptionSheet->ReadDataFile(ar); }

private:
    CZembroltDlg& m_window;
};

// ------------------------------------------------------------- settings

namespace {

// The running program's full path.
std::string ProgramPath() {
    return QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
}

}  // namespace

BOOL CZembroltDlg::LoadSettings() {
    CZembroltDlgStateHost host(*this);
    CSettingsStore store(m_settings, m_AdvancedOptions, host);
    const BOOL loaded = store.LoadSettings();
    // The install information follows the program to a new place, so the
    // hot key and the file managers' Find start this copy.
    if (loaded)
        store.RefreshInstallInformation(ProgramPath());
    m_pModel->SetSizeInBytes(m_AdvancedOptions.m_bSizeInBytes != FALSE);
    m_pResultList->SetThumbnailSize(
        QSize(m_AdvancedOptions.m_nThumbnailWidth, m_AdvancedOptions.m_nThumbnailHeight));
    return loaded;
}

BOOL CZembroltDlg::SaveSettings() {
    m_settings.m_sFindRootPath = QFile::encodeName(m_sLookIn).toStdString();
    m_settings.m_bAdvanceOption = m_bAdvance;
    CZembroltDlgStateHost host(*this);
    CSettingsStore store(m_settings, m_AdvancedOptions, host);
    return store.SaveSettings();
}

BOOL CZembroltDlg::WriteFirstRunSettings() {
    m_settings.m_sFindRootPath = QFile::encodeName(m_sLookIn).toStdString();
    m_settings.m_bAdvanceOption = m_bAdvance;
    CZembroltDlgStateHost host(*this);
    CSettingsStore store(m_settings, m_AdvancedOptions, host);
    return store.WriteFirstRunSettings(ProgramPath());
}

// ------------------------------------------------------------ data file

BOOL CZembroltDlg::LoadDataFile(const std::string& path) {
    CZembroltDlgStateHost host(*this);
    const BOOL loaded = ::LoadDataFile(path, m_data, host);
    ShowComboHistory(m_data.m_FileNameHistory, m_pFileNameCombo);
    ShowComboHistory(m_data.m_LookInHistory, m_pLookInCombo);
    m_pLookInCombo->setEditText(m_sLookIn);
    m_sFindString = QString::fromStdString(m_data.m_sFindString);
    m_pFileNameCombo->setEditText(m_sFindString);
    if (QLineEdit* edit = m_pFileNameCombo->lineEdit())
        edit->selectAll();
    if (!loaded)
        SetDataFileDefaults(m_data);
    m_pColumnChoice->SetVisibleColumns(m_data.m_VisibleColumns);
    UpdateAdvanceButtonColor();
    return loaded;
}

BOOL CZembroltDlg::SaveDataFile(const std::string& path) {
    m_data.m_sFindString = m_sFindString.toStdString();
    m_data.m_VisibleColumns = m_detailColumns.GetVisibleColumns();
    CZembroltDlgStateHost host(*this);
    return ::SaveDataFile(path, m_data, host);
}

// ------------------------------------------------------ file type groups

void CZembroltDlg::OnFileTypeMenu() {
    if (m_data.m_Groups.empty()) {
        OnFileTypeGroupList();
        return;
    }
    QMenu menu(this);
    for (std::size_t i = 0; i < m_data.m_Groups.size(); ++i) {
        QAction* action = menu.addAction(QString::fromStdString(m_data.m_Groups[i].m_sName));
        action->setData(GetFileTypeGroupCommand(i));
    }
    const QAction* chosen =
        menu.exec(m_pFileTypeButton->mapToGlobal(QPoint(m_pFileTypeButton->width(), 0)));
    if (chosen)
        ApplyFileTypeGroupCommand(chosen->data().toUInt());
}

bool CZembroltDlg::ApplyFileTypeGroupCommand(UINT id) {
    const CFileTypeGroup* group = FindFileTypeGroupByCommand(m_data.m_Groups, id);
    if (!group)
        return false;
    m_sFindString = QString::fromStdString(group->m_sPatterns);
    m_pFileNameCombo->setEditText(m_sFindString);
    return true;
}

void CZembroltDlg::OnFileTypeGroupList() {
    CFileTypeGroupDlg dialog(m_data.m_Groups, this);
    if (dialog.exec() == QDialog::Accepted)
        m_data.m_Groups = dialog.GetGroups();
}

// --------------------------------------------------------- update check

void CZembroltDlg::PostToWindowThread(std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

bool CZembroltDlg::AskYesNo(const std::string& text, const std::string& caption) {
    return QMessageBox::question(this, QString::fromStdString(caption),
                                 QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void CZembroltDlg::OpenUrl(const std::string& url) {
    m_urlOpener(QUrl(QString::fromStdString(url)));
}
