#include "app/ZembroltDlg.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
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
#include "app/IncludeStringPage.h"
#include "app/LogWindow.h"
#include "app/MainMenuTable.h"
#include "app/OptionCommand.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/StartupArguments.h"
#include "app/engine/FolderAccess.h"
#include "platform/Log.h"
#include "platform/PathUtils.h"
#include "platform/StringTable.h"
#include "readers/archives/ArchiveHandler.h"
#include "ui/AboutDlg.h"
#include "ui/CommonControlsCheck.h"
#include "ui/DialogUnits.h"
#include "ui/EnableWindowGuard.h"
#include "ui/FolderTreeCtrl.h"
#include "ui/HelpMenuLinks.h"
#include "ui/HelpViewer.h"
#include "ui/HoverButton.h"
#include "ui/IconResources.h"
#include "ui/ProductLinks.h"
#include "ui/QtFileTypeInfoProvider.h"
#include "ui/ResourceText.h"
#include "ui/SmallControls.h"
#include "ui/WaitCursor.h"

namespace {

constexpr int kIncludeStringPageIndex = 4;
constexpr COLORREF kLogBlue = RGB(0, 0, 255);
// The commands of the first three buttons above the list.
constexpr int kListButtonCommands[3] = {ID_EXPORT_RESULT, ID_PRINT_RESULT, ID_SEL_VISIBLE_COLUMN};

// A copy of a tree node's place that the search thread can own.
std::shared_ptr<FOLDERITEM> CloneFolderItem(const FOLDERITEM& item) {
    auto copy = std::make_shared<FOLDERITEM>();
    copy->m_pParentFolder = item.m_pParentFolder;
    copy->m_pidl.reset(ILClone(item.m_pidl.get()));
    copy->m_pidlFull.reset(ILClone(item.m_pidlFull.get()));
    copy->m_nKind = item.m_nKind;
    copy->m_sInnerPath = item.m_sInnerPath;
    copy->m_pidlParentFull.reset(ILClone(item.m_pidlParentFull.get()));
    return copy;
}

}  // namespace

void ClampSavedRect(SavedWindowRect& rect, int desktopWidth, int desktopHeight) {
    rect.left = std::max(rect.left, 0);
    rect.top = std::max(rect.top, 0);
    rect.right = std::min(rect.right, desktopWidth);
    rect.bottom = std::min(rect.bottom, desktopHeight);
    rect.left = std::min(rect.left, desktopWidth - kMainWindowMinWidth);
    rect.top = std::min(rect.top, desktopHeight - kMainWindowMinHeight);
}

CZembroltDlg::CZembroltDlg(QWidget* parent)
    : CHelpDialog(IDD_ZEMBROLT_DIALOG, parent), m_engine(this) {
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
    qApp->installEventFilter(this);
}

CZembroltDlg::~CZembroltDlg() {
    m_updateCheck.Stop();
    qApp->removeEventFilter(this);
    m_engine.StopSearch();
    m_engine.WaitForSearch();
    DestroyLogWindow();
}

void CZembroltDlg::InitWindow() {
    InitArchiveExtensions();
    CreateLogWindow(this);
    const int dpi = logicalDpiX();
    LogPrintf(kLogBlue, "LOGPIXELSX : %d", dpi);
    m_iMinLefWndWidth = MinimumLeftPaneWidth(dpi);
    if (dpi > 96 && dpi <= 192)
        LogPrintf(kLogBlue, "m_iMinLefWndWidth : %d", m_iMinLefWndWidth);
    m_nLeftWndWidth = m_iMinLefWndWidth;

    CreateControls();
    // The sheet exists before the data file is read: it holds a section of it.
    CreateOptionSheet();
    LoadDataFile(m_strDataPath);
    InitShellPrefixes();
    m_pFolderTree->SetSystemImageList();
    m_pFolderTree->Refresh();
    CreateMenu();
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

void CZembroltDlg::CreateControls() {
    auto named = [](QWidget* widget, const char* name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    m_pFileNameLabel = new QLabel(QStringLiteral("Search File Name:"), this);
    named(m_pFileNameLabel, "IDC_FILE_NAME_LABEL");
    QPalette blue = m_pFileNameLabel->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    m_pFileNameLabel->setPalette(blue);

    m_pFileNameCombo = new QComboBox(this);
    named(m_pFileNameCombo, "IDC_FILE_NAME_COMBO");
    m_pFileNameCombo->setEditable(true);
    m_pFileNameCombo->setInsertPolicy(QComboBox::NoInsert);
    m_pFileNameCombo->setMaxVisibleItems(340 / std::max(1, fontMetrics().height()));

    // The file type group menu opens from here once the groups exist.
    m_pFileTypeButton = new CHoverButton(QStringLiteral(">"), this);
    named(m_pFileTypeButton, "IDC_FILE_TYPE_MENU");
    m_pFileTypeButton->SetAlwaysBorder(true);
    m_pFileTypeButton->setAutoDefault(false);
    connect(m_pFileTypeButton, &QPushButton::clicked, this, [this] { OnFileTypeMenu(); });

    m_pFindButton = new CHoverButton(this);
    named(m_pFindButton, "IDC_FIND");
    m_pFindButton->SetBtnCursor(IDC_HAND_CURSOR);
    m_pFindButton->SetAlwaysBorder(true);
    m_pFindButton->setAutoDefault(false);
    ApplySearchButtonState(true);
    connect(m_pFindButton, &QPushButton::clicked, this, [this] { OnFind(); });

    m_pAdvanceButton = new CHoverButton(QStringLiteral("Advance"), this);
    named(m_pAdvanceButton, "IDC_ADVANCE");
    m_pAdvanceButton->SetFlags(CHoverButton::FLAG_CHECKBOX);
    m_pAdvanceButton->SetBtnCursor(IDC_HAND_CURSOR);
    m_pAdvanceButton->setAutoDefault(false);
    connect(m_pAdvanceButton, &QPushButton::clicked, this, [this] {
        m_bAdvance = m_pAdvanceButton->GetCheck() ? TRUE : FALSE;
        UpdateAdvanceButton();
        LayoutControls();
    });

    m_pLookInLabel = new QLabel(QStringLiteral("Search In:"), this);
    named(m_pLookInLabel, "IDC_LOOK_IN_LABEL");
    m_pLookInCombo = new QComboBox(this);
    named(m_pLookInCombo, "IDC_LOOK_IN_COMBO");
    m_pLookInCombo->setEditable(true);
    m_pLookInCombo->setInsertPolicy(QComboBox::NoInsert);

    m_pFolderTree = new CFolderTreeCtrl(this);
    named(m_pFolderTree, "IDC_FOLDER_TREE");
    connect(m_pFolderTree, &CFolderTreeCtrl::SelChanged, this,
            [this](const QString& path) { OnTreeSelChanged(path); });

    m_pModel = new CResultListModel(&SystemImageList(), this);
    m_pModel->SetResults(m_engine.GetResultList().GetResults());
    connect(m_pModel, &CResultListModel::MessageRequested, this,
            [this](const QString& text) { ShowMessageBox(text); });
    m_pResultList = new CResultListCtrl(m_pModel, this);
    named(m_pResultList, "IDC_RESULT_LIST");
    connect(m_pResultList, &CResultListCtrl::Clicked, this, [this] { UpdateStatusText(); });
    connect(m_pResultList, &CResultListCtrl::OpenRequested, this, [this] { OpenSelection(); });

    // The buttons above the list; Export, Print and the column choice come
    // with their commands and stay disabled until then.
    struct ListButton {
        int id;
        const char* name;
        int icon;
        int iconSize;
        StringId tooltip;
    };
    constexpr ListButton kButtons[4] = {
        {IDC_EXPORT, "IDC_EXPORT", IDI_EXPORT, 16, IDS_EXPORT_TOOLTIP},
        {IDC_PRINT_RESULT, "IDC_PRINT_RESULT", IDI_PRINT, 32, IDS_PRINT_TOOLTIP},
        {IDC_SEL_VISIBLE_COL, "IDC_SEL_VISIBLE_COL", IDI_SHOW, 16, IDS_SELECT_COLUMNS_TOOLTIP},
        {IDC_SEL_VIEW_MODE, "IDC_SEL_VIEW_MODE", IDI_VIEWS, 32, IDS_VIEWS_TOOLTIP},
    };
    for (int i = 0; i < 4; ++i) {
        auto* button = new CHoverButton(this);
        named(button, kButtons[i].name);
        button->SetIcon(QIcon(LoadIconResource(kButtons[i].icon, kButtons[i].iconSize)));
        button->SetShowText(false);
        button->SetBtnCursor(IDC_HAND_CURSOR);
        button->SetTooltipText(kButtons[i].tooltip);
        button->setAutoDefault(false);
        m_pListButtons[i] = button;
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

    m_pStatusBar = new QStatusBar(this);
    named(m_pStatusBar, "IDC_STATUS_BAR");
    m_pStatusBar->setSizeGripEnabled(false);
    m_pStatusPane = new QLabel(m_pStatusBar);
    m_pStatusBar->addWidget(m_pStatusPane, 1);
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
    m_pMenuBar = new QMenuBar(this);
    m_pMenuBar->setNativeMenuBar(false);
    for (const MainMenuPopup& popup : MainMenuPopups()) {
        QMenu* menu = m_pMenuBar->addMenu(QString::fromLatin1(popup.title));
        AddMenuItems(menu, popup.items);
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateShowLogAction(); });
    }
    m_pShowLogAction = m_menuActions.at(ID_SHOW_LOG_WINDOW);
    m_pShowLogAction->setCheckable(true);
    UpdateCommandStates();
}

void CZembroltDlg::AddMenuItems(QMenu* menu, std::span<const MainMenuItem> items) {
    for (const MainMenuItem& item : items) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        if (!item.items.empty()) {
            AddMenuItems(menu->addMenu(QString::fromLatin1(item.text)), item.items);
            continue;
        }
        QString text = QString::fromLatin1(item.text);
        if (item.id == IDM_ABOUTBOX) {
            const QString about = ResourceText(IDS_ABOUTBOX);
            if (!about.isEmpty())
                text = about;
        }
        const QStringList parts = text.split(QLatin1Char('\t'));
        QAction* action = menu->addAction(parts.front());
        if (parts.size() > 1) {
            action->setShortcut(QKeySequence(parts.back()));
            // Alt and function-key accelerators act anywhere in the window;
            // the Ctrl keys and Del belong to the result list, whose key
            // routing handles them, so in the menu they are only shown.
            const bool windowWide = parts.back().startsWith(QLatin1String("Alt+")) ||
                                    parts.back().startsWith(QLatin1Char('F'));
            action->setShortcutContext(windowWide ? Qt::WindowShortcut : Qt::WidgetShortcut);
            if (windowWide)
                addAction(action);
        }
        connect(action, &QAction::triggered, this, [this, id = item.id] { OnCommand(id); });
        m_menuActions.emplace(item.id, action);
    }
}

bool CZembroltDlg::IsCommandAvailable(int id) const {
    switch (id) {
        case ID_APP_EXIT:
        case ID_SHOW_LOG_WINDOW:
        case IDM_ABOUTBOX:
        case ID_HELP_CONTENTS:
        case ID_WEB_SITE:
        case ID_SEND_FEEDBACK:
        case ID_TELL_FRIEND:
        case ID_SELECT_ALL:
        case ID_DESELECT_ALL:
        case ID_INVERT_SELECTION:
        case ID_CLEAR_RESULT:
        case ID_FILE_TYPE_GROUP_LIST:
        case ID_RESET_ADVANCE_TAB:
        case ID_OPTION:
        case ID_RENAME:
        case ID_CHANGE_ATTRIBUTES:
        case ID_CHANGE_FILE_TIME:
        case ID_FIND_DUPLICATE:
        case ID_FIND_REDUNDANT:
        case ID_VIEW_LARGE_ICONS:
        case ID_VIEW_LIST:
        case ID_VIEW_SMALL_ICONS:
        case ID_VIEW_DETAILS:
        case ID_VIEW_THUMBNAILS:
            return true;
        default:
            return false;
    }
}

void CZembroltDlg::UpdateCommandStates() {
    const std::span<const int> grayed = SearchGrayedCommands();
    for (const auto& [id, action] : m_menuActions) {
        const bool searchGrays = std::find(grayed.begin(), grayed.end(), id) != grayed.end();
        action->setEnabled(IsCommandAvailable(id) && !(searchGrays && m_bSearchUi));
    }
    if (m_pShowLogAction)
        m_pShowLogAction->setEnabled(GetLogWindow() != nullptr);
    for (int i = 0; i < 3; ++i) {
        if (m_pListButtons[i])
            m_pListButtons[i]->setEnabled(!m_bSearchUi &&
                                          IsCommandAvailable(kListButtonCommands[i]));
    }
}

QAction* CZembroltDlg::MenuAction(int id) const {
    const auto found = m_menuActions.find(id);
    return found == m_menuActions.end() ? nullptr : found->second;
}

void CZembroltDlg::UpdateShowLogAction() {
    m_pShowLogAction->setEnabled(GetLogWindow() != nullptr);
    m_pShowLogAction->setChecked(IsLogWindowVisible() != FALSE);
}

void CZembroltDlg::OnCommand(int id) {
    switch (id) {
        case ID_APP_EXIT:
            close();
            return;
        case ID_SHOW_LOG_WINDOW:
            ShowLogWindow(!IsLogWindowVisible());
            UpdateShowLogAction();
            return;
        case IDM_ABOUTBOX: {
            CAboutDlg about(this);
            about.exec();
            return;
        }
        case ID_HELP_CONTENTS:
            OpenHelp();
            return;
        case ID_WEB_SITE:
            m_urlOpener(QUrl(QString::fromLatin1(kProductWebSite)));
            return;
        case ID_SEND_FEEDBACK:
            m_urlOpener(SendFeedbackUrl());
            return;
        case ID_TELL_FRIEND:
            m_urlOpener(TellFriendUrl());
            return;
        case IDC_STOP:
            StopSearch();
            return;
        case ID_CLEAR_RESULT:
            ClearResultsCommand();
            return;
        case ID_FILE_TYPE_GROUP_LIST:
            OnFileTypeGroupList();
            return;
        case ID_RESET_ADVANCE_TAB:
            m_pOptionSheet->Reset();
            UpdateAdvanceButtonColor();
            return;
        case ID_OPTION:
            OnOptionCommand(*this);
            return;
        case ID_RENAME:
            OnRename();
            return;
        case ID_CHANGE_ATTRIBUTES:
            OnChangeAttributes();
            return;
        case ID_CHANGE_FILE_TIME:
            OnChangeFileTime();
            return;
        case ID_FIND_DUPLICATE:
            OnFindDuplicateFiles();
            return;
        case ID_FIND_REDUNDANT:
            OnFindRedundantFiles();
            return;
        case ID_SELECT_ALL:
            if (m_pResultList->GetSelectedCount() < m_pModel->GetRowCount()) {
                CWaitCursor wait;
                m_pResultList->SelectAll();
                UpdateStatusText();
            }
            return;
        case ID_DESELECT_ALL:
            if (m_pResultList->GetSelectedCount() > 0) {
                CWaitCursor wait;
                ClearSelection();
            }
            return;
        case ID_INVERT_SELECTION:
            m_pResultList->InvertSelection();
            UpdateStatusText();
            return;
        default:
            m_pResultList->OnViewCommand(id);
            return;
    }
}

void CZembroltDlg::ClearResultsCommand() {
    if (IsSearching())
        return;
    CloseAllArchives();
    m_pFolderTree->CloseArchiveHandlers();
    m_engine.ClearResults();
    UpdateStatusText();
}

void CZembroltDlg::UpdateStatusText() {
    const std::vector<int> selected = m_pResultList->GetSelectedRows();
    long long count = 0;
    std::uint64_t total = 0;
    if (!selected.empty()) {
        count = static_cast<long long>(selected.size());
        for (int row : selected) {
            if (const CResultItem* record = m_pModel->GetRecord(row))
                total += CountedSize(record->m_nSize);
        }
    } else {
        count = m_pModel->GetRowCount();
        if (const std::shared_ptr<CResultArray>& results = m_pModel->GetResults()) {
            for (std::size_t i = 0; i < results->GetCount(); ++i)
                total += CountedSize(results->GetAt(i).m_nSize);
        }
    }
    SetStatusText(FormatObjectsStatus(count, total));
}

void CZembroltDlg::OpenSelection() {
    const std::shared_ptr<CResultArray>& results = m_pModel->GetResults();
    if (!results)
        return;
    std::vector<std::size_t> members;
    std::vector<std::string> paths;
    for (int row : m_pResultList->GetSelectedRows()) {
        const std::size_t index = m_pModel->GetRowIndex()[static_cast<std::size_t>(row)];
        const CResultItem& record = results->GetAt(index);
        std::string path;
        if (record.m_dwFlags & RIF_IN_ARCHIVE)
            members.push_back(index);
        else if (record.GetFilePath(&path))
            paths.push_back(std::move(path));
    }
    if (!members.empty()) {
        std::vector<std::string> extracted;
        m_bExtracting = true;
        const int result =
            m_archiveExtraction.ExtractArchiveItems(this, *results, members, &extracted);
        m_bExtracting = false;
        if (result == EXTRACTION_CANCELLED)
            return;
        paths.insert(paths.end(), extracted.begin(), extracted.end());
    }
    for (const std::string& path : paths)
        m_urlOpener(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
}

void CZembroltDlg::ClearSelection() {
    m_pResultList->GetSelectionModel()->clearSelection();
    UpdateStatusText();
}

QString CZembroltDlg::StatusText() const {
    return m_pStatusPane->text();
}

// ---------------------------------------------------------------- layout

QRect CZembroltDlg::GetSplitterRect() const {
    const int top = m_pMenuBar ? m_pMenuBar->height() : 0;
    return QRect(QPoint(m_nLeftWndWidth + 4, top + 10), QPoint(m_nLeftWndWidth + 6, height() - 22));
}

void CZembroltDlg::LayoutControls() {
    if (!m_pMenuBar)
        return;
    const QFontMetrics metrics = fontMetrics();
    const int menuHeight = m_pMenuBar->sizeHint().height();
    m_pMenuBar->setGeometry(0, 0, width(), menuHeight);
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
            const QSize sheet = m_pOptionSheet->PreferredSize();
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
                               std::max(1, c.bottom() + 1 - 22 - treeTop));

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
                               std::max(1, c.bottom() + 1 - 22 - listTop));
    m_pStatusBar->setGeometry(10, c.bottom() + 1 - 20, std::max(1, c.right() + 1 - 10), 20);
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
        GetSplitterRect().adjusted(-2, 0, 2, 0).contains(event->position().toPoint())) {
        m_bDraggingSplitter = true;
        return;
    }
    CHelpDialog::mousePressEvent(event);
}

void CZembroltDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (m_bDraggingSplitter) {
        const int widest = std::max(m_iMinLefWndWidth, width() - kMainWindowMinWidth / 4);
        m_nLeftWndWidth = std::clamp(at.x() - 5, m_iMinLefWndWidth, widest);
        LayoutControls();
        update();
        return;
    }
    if (GetSplitterRect().adjusted(-2, 0, 2, 0).contains(at))
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
            ShowMessageBox(ResourceText(IDS_INVALID_PARAMETER, action.text));
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
    m_pFolderTree->SelectPath(QFile::encodeName(m_sLookIn).toStdString());
    const FOLDERITEM* selected = m_pFolderTree->GetSelectedFolderItem();
    if (!selected)
        return FALSE;
    request->root = CloneFolderItem(*selected);
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

void CZembroltDlg::OnFind() {
    if (IsSearching()) {
        StopSearch();
        return;
    }
    if (QLineEdit* edit = m_pFileNameCombo->lineEdit())
        edit->selectAll();
    m_sFindString = m_pFileNameCombo->currentText();
    m_sLookIn = m_pLookInCombo->currentText().trimmed();
    m_bAdvance = m_pAdvanceButton->GetCheck() ? TRUE : FALSE;
    if (!m_pOptionSheet->Validate())
        return;
    CSearchData criteria;
    criteria.Reset();
    SaveSearch(criteria);

    CSearchRequest request;
    std::string message;
    if (!PrepareSearchRequest(criteria, &request, &message)) {
        // A look-in text that is not a path on disk (the tree's display names,
        // "Desktop\Home") is searched from the tree's node of that name; every
        // other refusal is shown and nothing starts.
        const bool lookInRefused =
            message ==
            FormatResourceString(IDS_NOT_A_VALID_DIRECTORY, criteria.m_MainData.m_sFindRootPath);
        if (message == LoadResourceString(IDS_INVALID_REGULAR_EXPRESSION)) {
            ShowMessageBox(QString::fromStdString(message));
            m_pOptionSheet->SetActivePage(kIncludeStringPageIndex);
            QComboBox* text = m_pOptionSheet->IncludeStringPage()->TextCombo();
            text->setFocus();
            if (QLineEdit* edit = text->lineEdit())
                edit->selectAll();
            return;
        }
        const QString treePath =
            QString::fromStdString(m_pFolderTree->GetItemTextPath(m_pFolderTree->currentItem()));
        if (!lookInRefused || m_sLookIn.isEmpty() ||
            (m_sLookIn != treePath &&
             QString::fromStdString(m_pFolderTree->SelectedPath()) != m_sLookIn) ||
            !SetSearchRootFromTree(&request)) {
            ShowMessageBox(QString::fromStdString(message));
            return;
        }
    } else if (request.lookInText != criteria.m_MainData.m_sFindRootPath) {
        // The folder part of the names text named the place to look.
        SetLookIn(QFile::decodeName(request.lookInText.c_str()));
    }
    UseComboHistory(m_data.m_FileNameHistory, m_pFileNameCombo);
    UseComboHistory(m_data.m_LookInHistory, m_pLookInCombo);
    m_pOptionSheet->AddIncludeStringToHistory();
    m_CurSearchData = criteria;
    request.resultLimit = m_AdvancedOptions.m_nSearchResultLimit;
    m_engine.StartSearch(std::move(request));
}

void CZembroltDlg::UseComboHistory(CComboHistory& history, QComboBox* combo) {
    const QString text = combo->currentText();
    history.SetText(text.toStdString());
    history.UpdateComboHistoryScores();
    history.AddComboHistoryItem();
    ShowComboHistory(history, combo);
    combo->setEditText(text);
}

void CZembroltDlg::ShowComboHistory(const CComboHistory& history, QComboBox* combo) {
    QStringList items;
    for (const CComboHistory::Item& item : history.GetItems())
        items << QString::fromStdString(item.text);
    combo->clear();
    combo->addItems(items);
}

void CZembroltDlg::StopSearch() {
    m_engine.StopSearch();
}

// -------------------------------------------------------- folder listings

void CZembroltDlg::ListFolderMatching() {
    if (IsSearching())
        return;
    m_sFindString = m_pFileNameCombo->currentText();
    m_sLookIn = m_pLookInCombo->currentText().trimmed();
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
    std::string message;
    // Without a place the request only parses the names; the root is the tree's.
    PrepareSearchRequest(criteria, &request, &message);
    if (!SetSearchRootFromTree(&request))
        return;
    request.resultLimit = m_AdvancedOptions.m_nSearchResultLimit;
    CWaitCursor wait;
    m_pResultList->setUpdatesEnabled(false);
    m_engine.RunSearch(std::move(request));
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
    if (m_bExtracting) {
        event->ignore();
        return;
    }
    m_engine.StopSearch();
    m_engine.WaitForSearch();
    m_updateCheck.Stop();
    // Calls the search thread queued before it ended have nothing left to do.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    ShowLogWindow(false);
    m_sFindString = m_pFileNameCombo->currentText();
    m_sLookIn = m_pLookInCombo->currentText().trimmed();
    m_pOptionSheet->Validate();
    SaveDataFile(m_strDataPath);
    m_archiveExtraction.DeleteExtractedFiles();
    SaveSettings();
    event->accept();
    done(0);
}

// ------------------------------------------------------------ key routing

bool CZembroltDlg::IsOnResultList(QWidget* widget) const {
    if (widget == m_pResultList)
        return true;
    QAbstractItemView* view = m_pResultList->GetCurrentView();
    return view && (widget == view || widget == view->viewport());
}

bool CZembroltDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() && !m_bForwardingKey) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == this || isAncestorOf(widget))
            return RouteKey(widget, static_cast<QKeyEvent*>(event));
    }
    return CHelpDialog::eventFilter(watched, event);
}

void CZembroltDlg::ForwardKey(QWidget* target, QKeyEvent* key) {
    // The key goes its normal way (to the control, then up its parents)
    // without being routed again on the way.
    m_bForwardingKey = true;
    QCoreApplication::sendEvent(target, key);
    m_bForwardingKey = false;
}

bool CZembroltDlg::RouteTab(QWidget* target, bool shift) {
    if (!m_pOptionSheet || !m_pOptionSheet->isVisible())
        return false;
    QWidget* tabs = m_pOptionSheet->TabControl();
    QWidget* next = nullptr;
    if (!shift) {
        if (target == m_pAdvanceButton)
            next = tabs;
        else if (target == tabs)
            next = m_pLookInCombo;
    } else {
        if (target == m_pLookInCombo || m_pLookInCombo->isAncestorOf(target))
            next = tabs;
        else if (target == tabs)
            next = m_pAdvanceButton;
    }
    if (!next)
        return false;
    next->setFocus(shift ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    return true;
}

bool CZembroltDlg::RouteKey(QWidget* target, QKeyEvent* key) {
    const bool inList = target == m_pResultList || m_pResultList->isAncestorOf(target);
    const bool onList = IsOnResultList(target);
    switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (RouteTab(target,
                         key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier)))
                return true;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (inList)
                ForwardKey(target, key);  // the list handles Enter itself
            else
                OnFind();
            return true;
        case Qt::Key_Escape:
            if (onList)
                ClearSelection();
            else if (inList)
                ForwardKey(target, key);
            return true;  // Esc never closes the window
        default:
            break;
    }
    if (!onList)
        return false;
    const Qt::KeyboardModifiers modifiers =
        key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    switch (key->key()) {
        case Qt::Key_A:
            if (modifiers == Qt::ControlModifier)
                OnCommand(ID_SELECT_ALL);
            else if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
                OnCommand(ID_DESELECT_ALL);
            return true;
        case Qt::Key_Q:
            if (modifiers == Qt::ControlModifier)
                OnCommand(ID_INVERT_SELECTION);
            return true;
        case Qt::Key_C:
        case Qt::Key_X:
            return true;  // copy and cut come with the clipboard commands
        default:
            return false;
    }
}

// ----------------------------------------------------------- search host

void CZembroltDlg::RunOnWindowThread(std::function<void()> call) {
    if (QThread::currentThread() == thread())
        call();
    else
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void CZembroltDlg::ApplySearchButtonState(bool ready) {
    m_pFindButton->SetIcon(LoadIconResource(ready ? IDI_SEARCH : IDI_STOP, 16));
    m_pFindButton->setText(ready ? ResourceText(IDS_SEARCH) : ResourceText(IDS_STOP));
    m_pFindButton->update();
}

void CZembroltDlg::SetSearchButtonState(bool ready) {
    RunOnWindowThread([this, ready] { ApplySearchButtonState(ready); });
}

void CZembroltDlg::SetStatusText(const std::string& text) {
    RunOnWindowThread(
        [this, message = QString::fromStdString(text)] { m_pStatusPane->setText(message); });
}

void CZembroltDlg::BeginSearchUi() {
    // The busy cursor over the window while the search runs, and the
    // commands that need the finished result grayed.
    RunOnWindowThread([this] {
        setCursor(Qt::BusyCursor);
        m_bSearchUi = true;
        UpdateCommandStates();
    });
}

void CZembroltDlg::EndSearchUi() {
    RunOnWindowThread([this] {
        unsetCursor();
        m_bSearchUi = false;
        UpdateCommandStates();
    });
}

void CZembroltDlg::RemoveDupNoColumn() {
    RunOnWindowThread([this] {
        CColumnInfoArray columns = m_pModel->GetVisibleColumns();
        const auto dupNo = std::remove_if(columns.begin(), columns.end(), [](const COLUMNINFO& c) {
            return c.nId == kDupNoColumnId;
        });
        if (dupNo == columns.end())
            return;
        columns.erase(dupNo, columns.end());
        m_pModel->SetVisibleColumns(columns);
    });
}

void CZembroltDlg::DeleteAllRows() {
    // The generation that starts now; rows of it follow this call.
    std::shared_ptr<CResultArray> results = m_engine.GetResultList().GetResults();
    RunOnWindowThread([this, results] { m_pModel->SetResults(results); });
}

void CZembroltDlg::BringToFront() {
    RunOnWindowThread([this] {
        raise();
        activateWindow();
    });
}

void CZembroltDlg::SearchEnded() {
    RunOnWindowThread([this] {
        QApplication::beep();
        unsetCursor();
    });
}

void CZembroltDlg::InsertRows(const std::shared_ptr<CResultArray>& results, std::size_t first,
                              std::size_t count) {
    m_pModel->InsertRows(results, first, count);
}

void CZembroltDlg::ShowMessage(const std::string& text) {
    m_pModel->ShowMessage(text);
}

void CZembroltDlg::ShowMessageBox(const QString& text) {
    QMessageBox::information(this, windowTitle(), text);
}
