#include "app/ZembroltDlg.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "app/AdvanceOptionSheet.h"
#include "app/ColumnChoice.h"
#include "app/ComboHistoryBox.h"
#include "app/FileToolCommands.h"
#include "app/IncludeStringPage.h"
#include "app/LogWindow.h"
#include "app/MainMenu.h"
#include "app/MainWindowKeyRouter.h"
#include "app/MainWindowSearchHost.h"
#include "app/MultiFolderDlg.h"
#include "app/OptionCommand.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ResultRowCommands.h"
#include "app/ResultShell.h"
#include "app/SavedSearches.h"
#include "app/SortHeaderCtrl.h"
#include "app/StartupArguments.h"
#include "app/ThumbnailLoader.h"
#include "app/engine/FolderAccess.h"
#include "app/engine/ObjectsStatus.h"
#include "app/engine/RecentSearches.h"
#include "platform/Log.h"
#include "platform/PathUtils.h"
#include "platform/StringTable.h"
#include "readers/archives/ArchiveHandler.h"
#include "ui/AboutDlg.h"
#include "ui/CommonControlsCheck.h"
#include "ui/DesktopOpen.h"
#include "ui/DialogUnits.h"
#include "ui/ElidedLabel.h"
#include "ui/EnableWindowGuard.h"
#include "ui/FolderTreeCtrl.h"
#include "ui/HelpMenuLinks.h"
#include "ui/HelpViewer.h"
#include "ui/HoverButton.h"
#include "ui/IconResources.h"
#include "ui/ProductLinks.h"
#include "ui/ProgramMessage.h"
#include "ui/QtFileTypeInfoProvider.h"
#include "ui/ResourceText.h"
#include "ui/SmallControls.h"
#include "ui/WaitCursor.h"

namespace {

constexpr int IDD_ZEMBROLT_DIALOG = 102;
constexpr int kIncludeStringPageIndex = 4;
constexpr COLORREF kLogBlue = RGB(0, 0, 255);
// The commands of the first three buttons above the list.
constexpr int kListButtonCommands[3] = {ID_EXPORT_RESULT, ID_PRINT_RESULT, ID_SEL_VISIBLE_COLUMN};

// The list's own menu (menu 125).
struct ListMenuItem {
    int id;
    const char* text;
};
constexpr std::array<ListMenuItem, 5> kListMenu{{
    {ID_CLEAR_RESULT, "Clear"},
    {ID_OPTION, "Option"},
    {ID_SEL_VISIBLE_COLUMN, "Column Setting"},
    {ID_PRINT_RESULT, "Print Search Result"},
    {ID_EXPORT_RESULT, "Export Search Result"},
}};

}  // namespace

CZembroltDlg::CZembroltDlg(QWidget* parent) : CHelpDialog(IDD_ZEMBROLT_DIALOG, parent) {
    m_urlOpener = OpenUrlWithDesktop;
    m_CurSearchData.Reset();
    setWindowTitle(QStringLiteral("Zembrolt"));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setMinimumSize(kMainWindowMinWidth, kMainWindowMinHeight);
    setMouseTracking(true);
    resize(kMainWindowMinWidth, kMainWindowMinHeight);
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    m_strDataPath = ::GetDataFilePath();
    InitWindow();
    m_pKeyRouter = std::make_unique<CMainWindowKeyRouter>(*this);
}

CZembroltDlg::~CZembroltDlg() {
    m_updateCheck.Stop();
    m_pKeyRouter.reset();
    m_pEngine->StopSearch();
    m_pEngine->WaitForSearch();
    DestroyLogWindow();
    // The archive readers go with the providers (the thumbnail makers
    // before the detail providers, by the members' order).
    FreeArchiveHandlers();
}

void CZembroltDlg::InitWindow() {
    InitArchiveExtensions();
    CreateLogWindow(this);
    const int dpi = logicalDpiX();
    LogPrintf(kLogBlue, "LOGPIXELSX : %d", dpi);
    m_nDpiMinLeftWidth = MinimumLeftPaneWidth(dpi);
    if (dpi > 96 && dpi <= 192)
        LogPrintf(kLogBlue, "m_iMinLefWndWidth : %d", m_nDpiMinLeftWidth);
    m_iMinLefWndWidth = m_nDpiMinLeftWidth;
    m_nLeftWndWidth = m_iMinLefWndWidth;

    CreateMenu();
    CreateSearchControls();
    CreateFolderTree();
    CreateResultList();
    CreateListButtons();
    CreateStatusBar();
    CreateSearch();
    CreateFileTools();
    // The sheet exists before the data file is read: it holds a section of it.
    CreateOptionSheet();
    LoadDataFile(m_strDataPath);
    // Each recent search needs a menu id of its own.
    TrimRecentSearches(m_data.m_RecentSearches, static_cast<int>(kMaxMenuListItems));
    BuildMacroMenu();
    BuildRecentMenu();
    InitShellPrefixes();
    m_pFolderTree->SetSystemImageList();
    m_pFolderTree->Refresh();
    // "Show Log Window" (Alt+2) also acts while the log window has the focus.
    if (CLogWindow* log = GetLogWindow())
        log->addAction(MenuAction(ID_SHOW_LOG_WINDOW));
    SetStatusText(FormatResourceString(IDS_OBJECTS, 0));
    LayoutControls();
    if (!LoadSettings())
        WriteFirstRunSettings();
    DWORD checkSysDll = static_cast<DWORD>(m_settings.m_bCheckSysDll);
    CheckCommonControls(this, checkSysDll);
    m_settings.m_bCheckSysDll = static_cast<BOOL>(checkSysDll);
    if (m_AdvancedOptions.m_bCheckNewerVersion)
        m_updateCheck.Start(*this);
}

namespace {

QWidget* Named(QWidget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

void CZembroltDlg::CreateSearchControls() {
    m_pFileNameLabel = new QLabel(QStringLiteral("Search File Name:"), this);
    Named(m_pFileNameLabel, "IDC_FILE_NAME_LABEL");
    QPalette blue = m_pFileNameLabel->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    m_pFileNameLabel->setPalette(blue);

    m_pFileNameCombo = new QComboBox(this);
    Named(m_pFileNameCombo, "IDC_FILE_NAME_COMBO");
    m_pFileNameCombo->setEditable(true);
    m_pFileNameCombo->setInsertPolicy(QComboBox::NoInsert);
    // A search uses exactly what was typed: the history stays in the drop-down.
    m_pFileNameCombo->setCompleter(nullptr);
    m_pFileNameCombo->setMaxVisibleItems(340 / std::max(1, fontMetrics().height()));

    // The file type group menu opens from here once the groups exist.
    m_pFileTypeButton = new CHoverButton(QStringLiteral(">"), this);
    Named(m_pFileTypeButton, "IDC_FILE_TYPE_MENU");
    m_pFileTypeButton->SetAlwaysBorder(true);
    m_pFileTypeButton->setAutoDefault(false);
    connect(m_pFileTypeButton, &QPushButton::clicked, this, [this] { OnFileTypeMenu(); });

    m_pFindButton = new CHoverButton(this);
    Named(m_pFindButton, "IDC_FIND");
    m_pFindButton->SetBtnCursor(IDC_HAND_CURSOR);
    m_pFindButton->SetAlwaysBorder(true);
    m_pFindButton->setAutoDefault(false);
    connect(m_pFindButton, &QPushButton::clicked, this, [this] { OnFind(); });

    m_pAdvanceButton = new CHoverButton(QStringLiteral("Advance"), this);
    Named(m_pAdvanceButton, "IDC_ADVANCE");
    m_pAdvanceButton->SetFlags(CHoverButton::FLAG_CHECKBOX);
    m_pAdvanceButton->SetBtnCursor(IDC_HAND_CURSOR);
    m_pAdvanceButton->setAutoDefault(false);
    connect(m_pAdvanceButton, &QPushButton::clicked, this, [this] {
        m_bAdvance = m_pAdvanceButton->GetCheck() ? TRUE : FALSE;
        UpdateAdvanceButton();
        LayoutControls();
    });

    m_pLookInLabel = new QLabel(QStringLiteral("Search In:"), this);
    Named(m_pLookInLabel, "IDC_LOOK_IN_LABEL");
    m_pLookInCombo = new QComboBox(this);
    Named(m_pLookInCombo, "IDC_LOOK_IN_COMBO");
    m_pLookInCombo->setEditable(true);
    m_pLookInCombo->setInsertPolicy(QComboBox::NoInsert);
    m_pLookInCombo->setCompleter(nullptr);
}

void CZembroltDlg::CreateFolderTree() {
    m_pFolderTree = new CFolderTreeCtrl(this);
    Named(m_pFolderTree, "IDC_FOLDER_TREE");
    connect(m_pFolderTree, &CFolderTreeCtrl::SelChanged, this,
            [this](const QString& path) { OnTreeSelChanged(path); });
    connect(m_pFolderTree, &CFolderTreeCtrl::ItemContextMenuRequested, this,
            [this](QTreeWidgetItem* item, const QPoint& at) {
                m_pShell->ShowTreeItemContextMenu(*m_pFolderTree, item, at);
            });
}

void CZembroltDlg::CreateResultList() {
    m_pModel = new CResultListModel(&SystemImageList(), this);
    connect(m_pModel, &CResultListModel::MessageRequested, this,
            [this](const QString& text) { ShowMessageBox(text, QMessageBox::Information); });
    m_pResultList = new CResultListCtrl(m_pModel, this);
    Named(m_pResultList, "IDC_RESULT_LIST");
    connect(m_pResultList, &CResultListCtrl::Clicked, this, [this] { UpdateStatusText(); });
    // Clicks, type-ahead and drags change the selection too: the status bar
    // follows once per turn of the event loop, however many rows changed.
    connect(m_pResultList->GetSelectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] {
                if (m_bStatusUpdatePending)
                    return;
                m_bStatusUpdatePending = true;
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        m_bStatusUpdatePending = false;
                        UpdateStatusText();
                        UpdateSelectionCommands();
                    },
                    Qt::QueuedConnection);
            });
    connect(m_pResultList, &CResultListCtrl::RenameKeyPressed, this, [this] {
        UpdateSelectionCommands();
        if (m_pMenu->IsEnabled(ID_RENAME))
            OnCommand(ID_RENAME);
    });
    connect(m_pResultList, &CResultListCtrl::ContextMenuRequested, this,
            [this](const QPoint& at) { OnListContextMenu(at); });
    m_pRowCommands = new CResultRowCommands(this, m_pModel, m_pResultList);
    m_pRowCommands->SetSearchingTest([this] { return IsSearching(); });
    m_pRowCommands->SetMessageBox(
        [this](const QString& text, QMessageBox::Icon icon) { ShowMessageBox(text, icon); });
    connect(m_pRowCommands, &CResultRowCommands::RowsRemoved, this, [this] {
        UpdateStatusText();
        UpdateSelectionCommands();
    });
    connect(m_pRowCommands, &CResultRowCommands::RenameToolRequested, this,
            [this] { m_pFileTools->OnRename(); });
    // The tree's delete and rename ask and tell as the rows' do.
    m_pFolderTree->SetFileOperationUi(m_pRowCommands);
    m_pShell = new CResultShell(this, *this, m_pModel, m_pResultList, *m_pRowCommands);
    m_pShell->SetMessageBox(
        [this](const QString& text, QMessageBox::Icon icon) { ShowMessageBox(text, icon); });
    m_pThumbnails = std::make_unique<CThumbnailLoader>(m_pModel, m_pResultList);
    m_pColumnChoice = new CColumnChoice(this, m_detailColumns, m_pModel, m_pResultList);
    m_pColumnChoice->SetSearchingTest([this] { return IsSearching(); });
    m_pColumnChoice->SetMessageBox(
        [this](const QString& text) { ShowMessageBox(text, QMessageBox::Warning); });
    QHeaderView* header = m_pResultList->GetHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& at) {
        m_pColumnChoice->OnHeaderMenu(header->mapToGlobal(at));
    });
}

void CZembroltDlg::CreateListButtons() {
    // The buttons above the list run Export, Print and the column choice,
    // and are enabled with their commands; the fourth chooses the view.
    struct ListButton {
        const char* name;
        int icon;
        int iconSize;
        StringId tooltip;
    };
    constexpr ListButton kButtons[4] = {
        {"IDC_EXPORT", IDI_EXPORT, 16, IDS_EXPORT_TOOLTIP},
        {"IDC_PRINT_RESULT", IDI_PRINT, 32, IDS_PRINT_TOOLTIP},
        {"IDC_SEL_VISIBLE_COL", IDI_SHOW, 16, IDS_SELECT_COLUMNS_TOOLTIP},
        {"IDC_SEL_VIEW_MODE", IDI_VIEWS, 32, IDS_VIEWS_TOOLTIP},
    };
    for (int i = 0; i < 4; ++i) {
        auto* button = new CHoverButton(this);
        Named(button, kButtons[i].name);
        button->SetIcon(QIcon(LoadIconResource(kButtons[i].icon, kButtons[i].iconSize)));
        button->SetShowText(false);
        button->SetBtnCursor(IDC_HAND_CURSOR);
        button->SetTooltipText(kButtons[i].tooltip);
        button->setAutoDefault(false);
        m_pListButtons[i] = button;
    }
    for (int i = 0; i < 3; ++i) {
        connect(m_pListButtons[i], &QPushButton::clicked, this,
                [this, id = kListButtonCommands[i]] { OnCommand(id); });
    }
    connect(m_pListButtons[3], &QPushButton::clicked, this, [this] {
        QMenu menu(QString::fromLatin1(kViewMenuTitle), this);
        for (const ViewCommand& command : kViewCommands) {
            QAction* action = menu.addAction(QString::fromLatin1(command.text));
            action->setCheckable(true);
            action->setChecked(m_pResultList->GetViewMode() == command.mode);
            connect(action, &QAction::triggered, this, [this, id = command.id] { OnCommand(id); });
        }
        menu.exec(m_pListButtons[3]->mapToGlobal(QPoint(0, m_pListButtons[3]->height())));
    });
    UpdateListButtons();
}

void CZembroltDlg::CreateStatusBar() {
    m_pStatusBar = new QStatusBar(this);
    Named(m_pStatusBar, "IDC_STATUS_BAR");
    m_pStatusBar->setSizeGripEnabled(false);
    m_pStatusPane = new CElidedLabel(m_pStatusBar);
    m_pStatusBar->addWidget(m_pStatusPane, 1);
}

void CZembroltDlg::CreateSearch() {
    m_pSearchHost = new CMainWindowSearchHost(this, m_pMenu, m_pFindButton, m_pStatusPane,
                                              m_pColumnChoice, [this](const QString& path) {
                                                  m_sLookIn = path;
                                                  m_pLookInCombo->setEditText(path);
                                              });
    m_pSearchHost->SetSearchButtonState(true);
    // The list's model shows the engine's rows, from its first generation on.
    m_pEngine = std::make_unique<CSearchEngine>(m_pSearchHost, m_pModel);
    m_pEngine->SetDetailColumns(&m_detailColumns);
    m_pEngine->SetThumbnailQueue(&m_pThumbnails->Queue());
    m_pModel->SetResults(m_pEngine->GetResultList().GetResults());
}

void CZembroltDlg::CreateFileTools() {
    m_pFileTools = new CFileToolCommands(this, *m_pEngine, m_pModel, m_pResultList, m_detailColumns,
                                         *m_pColumnChoice, m_AdvancedOptions, m_data.m_Groups);
    m_pFileTools->SetNameHistory([this] {
        QStringList names;
        for (int i = 0; i < m_pFileNameCombo->count(); ++i)
            names << m_pFileNameCombo->itemText(i);
        return names;
    });
    m_pFileTools->SetProviderMaker([this] { EnsureProviders(); });
    m_pFileTools->SetQuestionBox([this](const std::string& text, const std::string& caption) {
        return AskYesNo(text, caption);
    });
    connect(m_pFileTools, &CFileToolCommands::RowsChanged, this, [this] { UpdateStatusText(); });
    connect(m_pFileTools, &CFileToolCommands::LogWindowShown, this,
            [this] { UpdateShowLogAction(); });
}

void CZembroltDlg::CreateOptionSheet() {
    m_pOptionSheet = new CAdvanceOptionSheet(this);
    m_pOptionSheet->setObjectName(QStringLiteral("AdvanceOptionSheet"));
    connect(m_pOptionSheet, &CAdvanceOptionSheet::pageChanged, this,
            [this] { UpdateAdvanceButtonColor(); });
    // Tab on the sheet's tab bar leaves the panel (the window routes the
    // keys first, so this is the way in from the sheet's own filter).
    connect(m_pOptionSheet, &CAdvanceOptionSheet::tabOutRequested, this, [this](bool shift) {
        (shift ? static_cast<QWidget*>(m_pAdvanceButton) : m_pLookInCombo)
            ->setFocus(Qt::TabFocusReason);
    });
    UpdateAdvanceButton();
    UpdateAdvanceButtonColor();
}

void CZembroltDlg::UpdateAdvanceButton() {
    const bool open = m_bAdvance != FALSE;
    m_pAdvanceButton->SetCheck(open);
    m_pAdvanceButton->SetIcon(open ? IDI_ADVANCE_OPEN : IDI_ADVANCE);
    if (m_pOptionSheet)
        m_pOptionSheet->setVisible(open);
}

void CZembroltDlg::UpdateAdvanceButtonColor() {
    const QColor colour =
        m_pOptionSheet && !m_pOptionSheet->IsDefault() ? QColor(0, 0, 255) : QColor(0, 0, 0);
    m_pAdvanceButton->SetNormalTextColor(colour);
    m_pAdvanceButton->SetHoverTextColor(colour);
}

void CZembroltDlg::SaveSearch(CSearchData& data) const {
    data.m_MainData.m_sFindString = m_sFindString.toStdString();
    data.m_MainData.m_sFindRootPath = QFile::encodeName(m_sLookIn).toStdString();
    data.m_MainData.m_bAdvanceOption = m_bAdvance;
    m_pOptionSheet->GetData(data);
}

void CZembroltDlg::LoadSearch(const CSearchData& data) {
    m_sFindString = QString::fromStdString(data.m_MainData.m_sFindString);
    m_sLookIn = QFile::decodeName(data.m_MainData.m_sFindRootPath.c_str());
    m_bAdvance = data.m_MainData.m_bAdvanceOption;
    m_pOptionSheet->SetData(data);
    m_pFileNameCombo->setEditText(m_sFindString);
    m_pLookInCombo->setEditText(m_sLookIn);
    UpdateAdvanceButton();
    UpdateAdvanceButtonColor();
    LayoutControls();
}

void CZembroltDlg::CreateMenu() {
    m_pMenu = new CMainMenu(this, [this](int id) { OnCommand(id); });
    m_pSavedSearches = new CSavedSearches(this, m_pMenu, m_AdvancedOptions, m_data.m_RecentSearches,
                                          m_data.m_Macros);
    m_pSavedSearches->SetSearchForm(
        [this] {
            ReadControls();
            CSearchData search;
            search.Reset();
            SaveSearch(search);
            return search;
        },
        [this](const CSearchData& search) {
            LoadSearch(search);
            OnFind();
        });
    connect(m_pMenu, &CMainMenu::aboutToShow, this, [this] {
        UpdateShowLogAction();
        UpdateSelectionCommands();
    });
    connect(m_pMenu, &CMainMenu::statesChanged, this, [this] { UpdateListButtons(); });
    RegisterCommands();
    UpdateShowLogAction();
}

void CZembroltDlg::RegisterCommands() {
    const auto command = [this](int id, std::function<void()> work) {
        m_pMenu->SetHandler(id, std::move(work));
    };
    command(ID_APP_EXIT, [this] { close(); });
    command(ID_SHOW_LOG_WINDOW, [this] {
        ShowLogWindow(!IsLogWindowVisible());
        UpdateShowLogAction();
    });
    command(IDM_ABOUTBOX, [this] {
        CAboutDlg about(this);
        about.exec();
    });
    command(ID_HELP_CONTENTS, [] { OpenHelp(); });
    command(ID_WEB_SITE, [this] { m_urlOpener(QUrl(QString::fromLatin1(kProductWebSite))); });
    command(ID_SEND_FEEDBACK, [this] { m_urlOpener(SendFeedbackUrl()); });
    command(ID_TELL_FRIEND, [this] { m_urlOpener(TellFriendUrl()); });
    command(IDC_STOP, [this] { StopSearch(); });
    command(ID_CLEAR_RESULT, [this] { ClearResultsCommand(); });
    command(ID_EDIT_COPY, [this] { m_pShell->OnCopyCommand(1); });
    command(ID_EDIT_CUT, [this] { m_pShell->OnCopyCommand(2); });
    command(ID_EDIT_DELETE, [this] { m_pRowCommands->OnDeleteCommand(); });
    command(ID_RENAME, [this] { m_pRowCommands->OnRenameCommand(); });
    command(ID_EXPORT_RESULT, [this] { OnExport(); });
    command(ID_PRINT_RESULT, [this] { OnPrint(); });
    command(ID_FILE_TYPE_GROUP_LIST, [this] { OnFileTypeGroupList(); });
    command(ID_RESET_ADVANCE_TAB, [this] {
        m_pOptionSheet->Reset();
        UpdateAdvanceButtonColor();
    });
    command(ID_OPTION, [this] { OnOptionCommand(*this); });
    command(ID_SEL_VISIBLE_COLUMN, [this] { m_pColumnChoice->OnSelectVisibleColumns(); });
    command(ID_CHANGE_ATTRIBUTES, [this] { m_pFileTools->OnChangeAttributes(); });
    command(ID_CHANGE_FILE_TIME, [this] { m_pFileTools->OnChangeFileTime(); });
    command(ID_FIND_DUPLICATE, [this] { m_pFileTools->OnFindDuplicateFiles(); });
    command(ID_FIND_REDUNDANT, [this] { m_pFileTools->OnFindRedundantFiles(); });
    command(ID_SELECT_ALL, [this] {
        if (m_pResultList->GetSelectedCount() < m_pModel->GetRowCount()) {
            CWaitCursor wait;
            m_pResultList->SelectAll();
            UpdateStatusText();
        }
    });
    command(ID_DESELECT_ALL, [this] {
        if (m_pResultList->GetSelectedCount() > 0) {
            CWaitCursor wait;
            ClearSelection();
        }
    });
    command(ID_INVERT_SELECTION, [this] {
        m_pResultList->InvertSelection();
        UpdateStatusText();
    });
    for (const ViewCommand& view : kViewCommands)
        command(view.id, [this, id = view.id] { m_pResultList->OnViewCommand(id); });
    command(ID_CLEAR_RECENT_SEARCH, [this] { m_pSavedSearches->ClearRecentSearches(); });
    command(ID_SAVE_MACRO, [this] { m_pSavedSearches->OnSaveMacro(); });
    command(ID_MACRO_LIST, [this] { m_pSavedSearches->OnMacroList(); });
    command(ID_MULTI_FOLDER_SEARCH, [this] { OnMultiFolderSearch(); });
    m_pMenu->SetRangeHandler(ID_RECENT_SEARCH_FIRST, ID_RECENT_SEARCH_LAST,
                             [this](int id) { m_pSavedSearches->OnRecentSearch(id); });
    m_pMenu->SetRangeHandler(ID_MACRO_FIRST, ID_MACRO_LAST,
                             [this](int id) { m_pSavedSearches->OnMacro(id); });
}

bool CZembroltDlg::IsCommandAvailable(int id) const {
    return m_pMenu->IsAvailable(id);
}

QAction* CZembroltDlg::MenuAction(int id) const {
    return m_pMenu->Action(id);
}

QMenuBar* CZembroltDlg::MenuBar() const {
    return m_pMenu ? m_pMenu->MenuBar() : nullptr;
}

void CZembroltDlg::UpdateListButtons() {
    for (int i = 0; i < 3; ++i) {
        if (m_pListButtons[i])
            m_pListButtons[i]->setEnabled(m_pMenu->IsEnabled(kListButtonCommands[i]));
    }
}

void CZembroltDlg::UpdateShowLogAction() {
    if (QAction* action = MenuAction(ID_SHOW_LOG_WINDOW))
        action->setEnabled(GetLogWindow() != nullptr);
    m_pMenu->SetChecked(ID_SHOW_LOG_WINDOW, IsLogWindowVisible() != FALSE);
}

void CZembroltDlg::OnCommand(int id) {
    m_pMenu->Run(id);
}

void CZembroltDlg::ClearResultsCommand() {
    if (IsSearching())
        return;
    CloseAllArchives();
    m_pFolderTree->CloseArchiveHandlers();
    m_pEngine->ClearResults();
    UpdateStatusText();
}

void CZembroltDlg::UpdateStatusText() {
    const int selected = m_pResultList->GetSelectedCount();
    if (selected == 0) {
        SetStatusText(ObjectsStatusText(*m_pModel->GetResults(), m_pModel->GetRowIndex(), {}));
        return;
    }
    // Summed where the rows stand: the selection may hold millions of rows
    // and changes key by key.
    std::uint64_t total = 0;
    m_pResultList->ForEachSelectedRecord([&total](const CRowRecord& shown) {
        total += CountedSize(static_cast<std::int64_t>(shown.record->m_nSize));
    });
    SetStatusText(FormatObjectsStatus(selected, total));
}

void CZembroltDlg::ClearSelection() {
    m_pResultList->GetSelectionModel()->clearSelection();
    UpdateStatusText();
}

QString CZembroltDlg::StatusText() const {
    return m_pSearchHost->StatusText();
}

void CZembroltDlg::OnListContextMenu(const QPoint& globalPos) {
    if (m_pResultList->GetSelectedCount() > 0) {
        ShowSelectionMenu(globalPos);
        return;
    }
    if (IsSearching())
        return;
    QMenu menu(this);
    for (const ListMenuItem& item : kListMenu) {
        QAction* action = menu.addAction(QString::fromLatin1(item.text));
        action->setEnabled(m_pMenu->IsEnabled(item.id));
        connect(action, &QAction::triggered, this, [this, id = item.id] { OnCommand(id); });
    }
    menu.exec(globalPos);
}

// ---------------------------------------------------------------- layout

QRect CZembroltDlg::GetSplitterRect() const {
    const int top = MenuBar() ? MenuBar()->height() : 0;
    return QRect(QPoint(m_nLeftWndWidth + 4, top + 10),
                 QPoint(m_nLeftWndWidth + 6, height() - StatusBarHeight() - 2));
}

void CZembroltDlg::LayoutControls() {
    QMenuBar* menuBar = MenuBar();
    if (!menuBar || !m_pStatusBar)
        return;
    // The pane is never narrower than its controls need in this font.
    m_iMinLefWndWidth = std::max(m_nDpiMinLeftWidth, LeftPaneContentWidth());
    m_nLeftWndWidth = std::max(m_nLeftWndWidth, m_iMinLefWndWidth);
    const QFontMetrics metrics = fontMetrics();
    const int statusHeight = StatusBarHeight();
    const int menuHeight = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, width(), menuHeight);
    const QRect c(0, menuHeight, width(), height() - menuHeight);
    const int w = m_nLeftWndWidth;

    const int x = DluX(metrics, 7);
    const int labelHeight = m_pFileNameLabel->sizeHint().height();
    m_pFileNameLabel->setGeometry(x, c.top() + DluY(metrics, 7), w - 16 - x, labelHeight);
    const int comboHeight = m_pFileNameCombo->sizeHint().height();
    const int comboTop = c.top() + DluY(metrics, 19);
    m_pFileNameCombo->setGeometry(x, comboTop, std::max(1, w - 16 - x), comboHeight);
    m_pFileTypeButton->setGeometry(w - 16, comboTop, 16, comboHeight);

    const int rowTop = comboTop + comboHeight + 5;
    const QSize findSize = m_pFindButton->sizeHint().expandedTo(QSize(80, 0));
    m_pFindButton->setGeometry(x, rowTop, findSize.width(), findSize.height());
    const QSize advanceSize = m_pAdvanceButton->sizeHint().expandedTo(QSize(80, 0));
    m_pAdvanceButton->setGeometry(x + findSize.width() + 6, rowTop, advanceSize.width(),
                                  findSize.height());
    int belowRow = rowTop + findSize.height();
    if (m_pOptionSheet) {
        if (m_bAdvance) {
            const QSize sheet = m_pOptionSheet->LayoutSize();
            m_pOptionSheet->setGeometry(10, belowRow + 10, std::max(1, w - 10), sheet.height());
            m_pOptionSheet->show();
            belowRow += 10 + sheet.height();
        } else {
            m_pOptionSheet->hide();
        }
    }

    const int lookInHeight = m_pLookInCombo->sizeHint().height();
    const int lookInTop = belowRow + 10;
    const int lookInLabelWidth = m_pLookInLabel->sizeHint().width();
    m_pLookInLabel->setGeometry(10, lookInTop, lookInLabelWidth, lookInHeight);
    const int lookInLeft = 10 + lookInLabelWidth + 4;
    m_pLookInCombo->setGeometry(lookInLeft, lookInTop, std::max(1, w - lookInLeft), lookInHeight);

    const int treeTop = lookInTop + lookInHeight + 10;
    m_pFolderTree->setGeometry(10, treeTop, std::max(1, w - 10),
                               std::max(1, c.bottom() + 1 - statusHeight - 2 - treeTop));

    int buttonLeft = w + 10;
    int buttonsBottom = comboTop;
    for (CHoverButton* button : m_pListButtons) {
        const QSize size = button->sizeHint();
        button->setGeometry(buttonLeft, comboTop, size.width(), size.height());
        buttonLeft += size.width() + 1;
        buttonsBottom = std::max(buttonsBottom, comboTop + size.height());
    }
    const int listTop = buttonsBottom + 5;
    m_pResultList->setGeometry(w + 10, listTop, std::max(1, c.right() + 1 - 10 - (w + 10)),
                               std::max(1, c.bottom() + 1 - statusHeight - 2 - listTop));
    m_pStatusBar->setGeometry(10, c.bottom() + 1 - statusHeight, std::max(1, c.right() + 1 - 10),
                              statusHeight);
}

int CZembroltDlg::StatusBarHeight() const {
    // 20 pixels, or what its text needs in a larger font.
    return m_pStatusBar ? std::max(20, m_pStatusBar->sizeHint().height()) : 20;
}

int CZembroltDlg::LeftPaneContentWidth() const {
    const int x = DluX(fontMetrics(), 7);
    const int names = x + std::max(m_pFileNameLabel->sizeHint().width(),
                                   m_pFileNameCombo->minimumSizeHint().width() + 16);
    const int buttons = x + m_pFindButton->sizeHint().expandedTo(QSize(80, 0)).width() + 6 +
                        m_pAdvanceButton->sizeHint().expandedTo(QSize(80, 0)).width();
    const int lookIn =
        10 + m_pLookInLabel->sizeHint().width() + 4 + m_pLookInCombo->minimumSizeHint().width();
    const int sheet = m_pOptionSheet ? 10 + m_pOptionSheet->LayoutSize().width() : 0;
    return std::max({names, buttons, lookIn, sheet});
}

void CZembroltDlg::resizeEvent(QResizeEvent* event) {
    CHelpDialog::resizeEvent(event);
    // The left pane never leaves the list less than its own minimum room.
    m_nLeftWndWidth =
        std::max(m_iMinLefWndWidth, std::min(m_nLeftWndWidth, width() - kMainWindowMinWidth / 4));
    LayoutControls();
}

void CZembroltDlg::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    const QRect bar = GetSplitterRect();
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(bar.topLeft(), bar.topRight());
    painter.drawLine(bar.topLeft(), bar.bottomLeft());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(bar.bottomLeft(), bar.bottomRight());
    painter.drawLine(bar.topRight(), bar.bottomRight());
}

void CZembroltDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        GetSplitterRect().adjusted(-1, 0, 1, 0).contains(event->position().toPoint())) {
        m_bDraggingSplitter = true;
        m_nDragStartX = event->position().toPoint().x();
        m_nDragStartWidth = m_nLeftWndWidth;
        return;
    }
    CHelpDialog::mousePressEvent(event);
}

void CZembroltDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (m_bDraggingSplitter) {
        const int dragged = ClampLeftPaneWidth(m_nDragStartWidth + (at.x() - m_nDragStartX),
                                               width(), m_iMinLefWndWidth);
        if (dragged != m_nLeftWndWidth) {
            m_nLeftWndWidth = dragged;
            LayoutControls();
            update();
        }
        return;
    }
    if (GetSplitterRect().adjusted(-1, 0, 1, 0).contains(at))
        setCursor(Qt::SplitHCursor);
    else if (!IsSearching())
        unsetCursor();
    CHelpDialog::mouseMoveEvent(event);
}

void CZembroltDlg::mouseReleaseEvent(QMouseEvent* event) {
    m_bDraggingSplitter = false;
    CHelpDialog::mouseReleaseEvent(event);
}

// ---------------------------------------------------------- command line

void CZembroltDlg::ParseCommandLine(const QString& commandLine) {
    const CommandLineAction action = ParseCommandLineAction(commandLine);
    switch (action.kind) {
        case CommandLineAction::None:
            return;
        case CommandLineAction::Invalid:
            ShowMessageBox(ResourceText(IDS_INVALID_PARAMETER, action.text), QMessageBox::Warning);
            return;
        case CommandLineAction::PostCommand:
            QMetaObject::invokeMethod(
                this, [this, id = action.command] { OnCommand(id); }, Qt::QueuedConnection);
            return;
        case CommandLineAction::SetLookIn:
            SetLookIn(action.text);
            return;
    }
}

BOOL CZembroltDlg::SetLookIn(const QString& path) {
    const std::string bytes = QFile::encodeName(path).toStdString();
    if (bytes.empty() || !FileExists(bytes))
        return FALSE;
    m_sLookIn = path;
    m_pLookInCombo->setEditText(path);
    m_pFolderTree->SelectPath(bytes);
    return TRUE;
}

BOOL CZembroltDlg::SetSearchRootFromTree(CSearchRequest* request) {
    m_sLookIn = m_sLookIn.trimmed();
    // A node that already gives this place stays selected: the same folder
    // can be reached from more than one node (Home, and Computer's way to it).
    const std::string lookIn = QFile::encodeName(m_sLookIn).toStdString();
    if (!m_pFolderTree->currentItem() || m_pFolderTree->SelectedPath() != lookIn)
        m_pFolderTree->SelectPath(lookIn);
    const FOLDERITEM* selected = m_pFolderTree->GetSelectedFolderItem();
    if (!selected)
        return FALSE;
    // The search thread owns a copy of the node's place.
    auto root = std::make_shared<FOLDERITEM>();
    CopyFolderItem(*selected, *root);
    request->root = std::move(root);
    request->rootIsDesktop = m_pFolderTree->IsRootSelected() != FALSE;
    request->lookInText = QFile::encodeName(m_sLookIn).toStdString();
    return TRUE;
}

void CZembroltDlg::OnTreeSelChanged(const QString& path) {
    if (path.isEmpty())
        return;
    m_sLookIn = path;
    m_CurSearchData.m_MainData.m_sFindRootPath = QFile::encodeName(path).toStdString();
    m_pLookInCombo->setEditText(path);
    if (m_pFolderTree->IsSelecting())
        return;
    const Qt::KeyboardModifiers modifiers = QApplication::keyboardModifiers();
    if (modifiers & Qt::ControlModifier)
        ListFolderMatching();
    else if (modifiers & Qt::ShiftModifier)
        ListFolderAll();
}

// ------------------------------------------------------------ Find / Stop

void CZembroltDlg::ReadControls() {
    m_sFindString = m_pFileNameCombo->currentText();
    m_sLookIn = m_pLookInCombo->currentText().trimmed();
    m_bAdvance = m_pAdvanceButton->GetCheck() ? TRUE : FALSE;
}

void CZembroltDlg::OnFind() {
    if (IsSearching()) {
        StopSearch();
        return;
    }
    CSearchRequest request;
    if (!PrepareFind(request))
        return;
    StartPreparedSearch(std::move(request));
    AddRecentSearch();
}

void CZembroltDlg::StartPreparedSearch(CSearchRequest request) {
    request.resultLimit = m_AdvancedOptions.m_nSearchResultLimit;
    // The columns the search fills are settled before its thread starts.
    m_pColumnChoice->RemoveColumn(kDupNoColumnId);
    m_pEngine->StartSearch(std::move(request));
}

bool CZembroltDlg::PrepareFind(CSearchRequest& request) {
    if (QLineEdit* edit = m_pFileNameCombo->lineEdit())
        edit->selectAll();
    ReadControls();
    if (!m_pOptionSheet->Validate())
        return false;
    CSearchData criteria;
    criteria.Reset();
    SaveSearch(criteria);

    const SearchRequestResult prepared = PrepareSearchRequest(criteria, &request);
    if (!prepared.Ok()) {
        if (!OnRequestRefused(prepared, &request))
            return false;
    } else if (request.lookInText != criteria.m_MainData.m_sFindRootPath) {
        // The folder part of the names text named the place to look.
        SetLookIn(QFile::decodeName(request.lookInText.c_str()));
    } else {
        ShowSearchedPlaceInTree(request.lookInText);
    }
    UseComboHistory(m_data.m_FileNameHistory, m_pFileNameCombo);
    UseComboHistory(m_data.m_LookInHistory, m_pLookInCombo);
    m_pOptionSheet->AddIncludeStringToHistory();
    m_CurSearchData = criteria;
    EnsureProviders();
    return true;
}

void CZembroltDlg::ShowSearchedPlaceInTree(const std::string& path) {
    if (m_pFolderTree->SelectedPath() == path || !FileExists(path))
        return;
    // The tree shows the place; the look-in box keeps the text as typed.
    const QString typed = m_pLookInCombo->currentText();
    m_pFolderTree->SelectPath(path);
    m_sLookIn = typed.trimmed();
    m_pLookInCombo->setEditText(typed);
}

bool CZembroltDlg::OnRequestRefused(const SearchRequestResult& refusal, CSearchRequest* request) {
    switch (refusal.error) {
        case SearchRequestError::InvalidIncludeString: {
            ShowMessageBox(QString::fromStdString(refusal.message), QMessageBox::Warning);
            m_pOptionSheet->SetActivePage(kIncludeStringPageIndex);
            QComboBox* text = m_pOptionSheet->IncludeStringPage()->TextCombo();
            text->setFocus();
            if (QLineEdit* edit = text->lineEdit())
                edit->selectAll();
            return false;
        }
        case SearchRequestError::InvalidLookIn: {
            // A look-in text that is not a path on disk (the tree's display
            // names, "Desktop\Home") is searched from the tree's node of that name.
            const QString treePath = QString::fromStdString(
                m_pFolderTree->GetItemTextPath(m_pFolderTree->currentItem()));
            const bool namesTheNode =
                !m_sLookIn.isEmpty() &&
                (m_sLookIn == treePath ||
                 QString::fromStdString(m_pFolderTree->SelectedPath()) == m_sLookIn);
            if (namesTheNode && SetSearchRootFromTree(request))
                return true;
            ShowMessageBox(QString::fromStdString(refusal.message), QMessageBox::Warning);
            return false;
        }
        case SearchRequestError::InvalidFolderPart:
        case SearchRequestError::None:
            break;
    }
    ShowMessageBox(QString::fromStdString(refusal.message), QMessageBox::Warning);
    return false;
}

void CZembroltDlg::EnsureProviders() {
    InitArchiveHandlers();
    m_pThumbnails->EnsureProviders();
    m_detailColumns.EnsureProviders();
}

void CZembroltDlg::StopSearch() {
    m_pEngine->StopSearch();
}

// ---------------------------------------------------- multi-folder search

void CZembroltDlg::OnMultiFolderSearch() {
    if (IsSearching())
        return;
    CSearchRequest request;
    if (!PrepareFind(request))
        return;
    std::vector<SELECTEDFOLDER> folders;
    if (!RunMultiFolderDialog(folders) || folders.empty())
        return;
    // The search owns its folders: each is moved into a place of its own.
    for (SELECTEDFOLDER& folder : folders) {
        std::string path = std::move(folder.m_sPath);
        request.folders.push_back(
            {std::make_shared<const FOLDERITEM>(std::move(static_cast<FOLDERITEM&>(folder))),
             std::move(path)});
    }
    StartPreparedSearch(std::move(request));
}

bool CZembroltDlg::RunMultiFolderDialog(std::vector<SELECTEDFOLDER>& folders) {
    CMultiFolderDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    folders = dialog.TakeFolders();
    return true;
}

// -------------------------------------------------------- folder listings

void CZembroltDlg::ListFolderMatching() {
    if (IsSearching())
        return;
    ReadControls();
    if (!m_pOptionSheet->Validate())
        return;
    SaveSearch(m_CurSearchData);
    CSearchData criteria = m_CurSearchData;
    criteria.m_IncludeStringData.m_sIncludeStr.clear();
    ListFolder(std::move(criteria));
}

void CZembroltDlg::ListFolderAll() {
    if (IsSearching())
        return;
    CSearchData criteria;
    criteria.Reset();
    ListFolder(std::move(criteria));
}

void CZembroltDlg::ListFolder(CSearchData criteria) {
    CEnableWindowGuard disabled(this, FALSE);
    criteria.m_MainData.m_bAdvanceOption = TRUE;
    criteria.m_GeneralOptionData.m_bIncludeSubFolder = FALSE;
    criteria.m_MainData.m_sFindRootPath.clear();

    CSearchRequest request;
    // Without a place the request only parses the names; the root is the tree's.
    PrepareSearchRequest(criteria, &request);
    if (!SetSearchRootFromTree(&request))
        return;
    request.resultLimit = m_AdvancedOptions.m_nSearchResultLimit;
    EnsureProviders();
    CWaitCursor wait;
    m_pResultList->setUpdatesEnabled(false);
    m_pEngine->RunSearch(std::move(request));
    // The rows were queued to the model; take them in before sorting.
    QCoreApplication::sendPostedEvents(m_pModel, QEvent::MetaCall);
    m_pResultList->ResortRows();
    m_pResultList->setUpdatesEnabled(true);
}

// ---------------------------------------------------------- saved position

void CZembroltDlg::ClampSavedPosition() {
    const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen();
    if (!screen)
        return;
    const QRect desktop = screen->geometry();
    ClampSavedRect(m_savedRect, desktop.width(), desktop.height());
}

void CZembroltDlg::RestoreSavedPosition() {
    if (m_savedRect.left == 0 && m_savedRect.right == 0)
        return;
    setGeometry(QRect(QPoint(m_savedRect.left, m_savedRect.top),
                      QPoint(m_savedRect.right - 1, m_savedRect.bottom - 1)));
}

// --------------------------------------------------------------- closing

void CZembroltDlg::closeEvent(QCloseEvent* event) {
    if (m_pShell->IsExtracting()) {
        event->ignore();
        return;
    }
    m_pEngine->StopSearch();
    m_pEngine->WaitForSearch();
    m_updateCheck.Stop();
    // Calls queued before the search ended have nothing left to do.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    QCoreApplication::removePostedEvents(m_pSearchHost, QEvent::MetaCall);
    ShowLogWindow(false);
    // The help window has no owner: it goes with the main window, so the
    // program ends.
    CloseHelp();
    ReadControls();
    m_pOptionSheet->Validate();
    SaveDataFile(m_strDataPath);
    m_pShell->ArchiveExtraction().DeleteExtractedFiles();
    m_pRowCommands->PrintFiles().DeleteAll();
    SaveSettings();
    event->accept();
    done(0);
}

// ------------------------------------------------------------ shell side

void CZembroltDlg::ResetSelectionData() {
    m_pShell->ResetSelectionData();
}

int CZembroltDlg::PrepareSelectionData() {
    return m_pShell->PrepareSelectionData();
}

BOOL CZembroltDlg::RenderDragFormat(CSelectionClipData* data) {
    return m_pShell->RenderDragFormat(data);
}

void CZembroltDlg::SetDataPrepared() {
    m_pShell->SetDataPrepared();
}

void CZembroltDlg::ShowSelectionMenu(const QPoint& globalPos) {
    m_pShell->ShowSelectionMenu(globalPos);
    UpdateStatusText();
}

void CZembroltDlg::BeginResultDrag(bool right) {
    m_pShell->BeginResultDrag(right);
}

DWORD CZembroltDlg::OnDragEnter(const QMimeData* data, DWORD keyState, const QPoint& point) {
    return m_pShell->OnDragEnter(data, keyState, point);
}

DWORD CZembroltDlg::OnDragOver(const QMimeData* data, DWORD keyState, const QPoint& point) {
    return m_pShell->OnDragOver(data, keyState, point);
}

DWORD CZembroltDlg::OnDrop(const QMimeData* data, DWORD effect, const QPoint& point) {
    return m_pShell->OnDrop(data, effect, point);
}

void CZembroltDlg::OnDragScrollTimer(const QPoint& cursor) {
    m_pShell->OnDragScrollTimer(cursor);
}

// ------------------------------------------------------------ row commands

void CZembroltDlg::UpdateSelectionCommands() {
    m_pMenu->SetRefusedCommands(m_pRowCommands->RefusedCommands());
}

void CZembroltDlg::RemoveVanishedSelection() {
    m_pRowCommands->RemoveVanishedSelection();
}

void CZembroltDlg::OnExport() {
    m_pRowCommands->OnExport();
}

BOOL CZembroltDlg::ExportText(const std::string& path, bool onlySelected) {
    return m_pRowCommands->ExportText(path, onlySelected);
}

BOOL CZembroltDlg::ExportHtml(const std::string& path, bool onlySelected) {
    return m_pRowCommands->ExportHtml(path, onlySelected);
}

BOOL CZembroltDlg::ExportM3u(const std::string& path, bool onlySelected) {
    return m_pRowCommands->ExportM3u(path, onlySelected);
}

BOOL CZembroltDlg::ExportPls(const std::string& path, bool onlySelected) {
    return m_pRowCommands->ExportPls(path, onlySelected);
}

void CZembroltDlg::OnPrint() {
    m_pRowCommands->OnPrint();
}

// -------------------------------------------------------- saved searches

void CZembroltDlg::AddRecentSearch() {
    m_pSavedSearches->AddRecentSearch();
}

void CZembroltDlg::BuildRecentMenu() {
    m_pSavedSearches->BuildRecentMenu();
}

void CZembroltDlg::OnRecentSearch(int id) {
    m_pSavedSearches->OnRecentSearch(id);
}

void CZembroltDlg::OnSaveMacro() {
    m_pSavedSearches->OnSaveMacro();
}

void CZembroltDlg::OnMacroList() {
    m_pSavedSearches->OnMacroList();
}

void CZembroltDlg::BuildMacroMenu() {
    m_pSavedSearches->BuildMacroMenu();
}

void CZembroltDlg::OnMacro(int id) {
    m_pSavedSearches->OnMacro(id);
}

// ----------------------------------------------------------- search host

void CZembroltDlg::SetSearchButtonState(bool ready) {
    m_pSearchHost->SetSearchButtonState(ready);
}

void CZembroltDlg::SetStatusText(const std::string& text) {
    m_pSearchHost->SetStatusText(text);
}

void CZembroltDlg::BeginSearchUi() {
    m_pSearchHost->BeginSearchUi();
}

void CZembroltDlg::EndSearchUi() {
    m_pSearchHost->EndSearchUi();
}

void CZembroltDlg::RemoveDupNoColumn() {
    m_pSearchHost->RemoveDupNoColumn();
}

void CZembroltDlg::ShowMessageBox(const QString& text, QMessageBox::Icon icon) {
    ShowProgramMessage(this, text, icon);
}
