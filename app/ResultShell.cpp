#include "app/ResultShell.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCoreApplication>
#include <QCursor>
#include <QDrag>
#include <QFile>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMenu>
#include <QMimeDatabase>
#include <QUrl>

#include "app/ResultListModel.h"
#include "app/ResultRowCommands.h"
#include "app/engine/SelectionCommands.h"
#include "platform/DesktopEntry.h"
#include "platform/FileTransfer.h"
#include "platform/Log.h"
#include "platform/PathUtils.h"
#include "platform/Spawn.h"
#include "platform/StringTable.h"
#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellApi.h"
#include "tools/ClipboardFormats.h"
#include "tools/windows/FileGeneralPage.h"
#include "ui/DesktopOpen.h"
#include "ui/DragDropConvert.h"
#include "ui/FileManagerBus.h"
#include "ui/FolderTreeCtrl.h"
#include "ui/NameText.h"
#include "ui/ProgramMessage.h"
#include "ui/ResourceText.h"

namespace {

constexpr int kScrollMarginPixels = 30;  // edges where a drag scrolls the list
constexpr UINT kExploreLocationId = 1;

// The MIME type of a path or a member's name, then the types it derives from.
std::vector<std::string> MimeChainOf(const std::string& path) {
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(QFile::decodeName(path.c_str()));
    std::vector<std::string> chain;
    if (!type.isValid())
        return chain;
    chain.push_back(type.name().toStdString());
    for (const QString& parent : type.allAncestors())
        chain.push_back(parent.toStdString());
    return chain;
}

// The desktop's address of a special folder that has no path.
QUrl SpecialFolderUrl(const std::string& parsingName) {
    if (parsingName == "::Trash")
        return QUrl(QStringLiteral("trash:///"));
    if (parsingName == "::Network")
        return QUrl(QStringLiteral("network:///"));
    if (parsingName == "::Computer")
        return QUrl(QStringLiteral("computer:///"));
    return QUrl();
}

}  // namespace

CResultShell::CResultShell(QWidget* window, CShellHelper& shell, CResultListModel* model,
                           CResultListCtrl* list, CResultRowCommands& rows)
    : QObject(window),
      m_pWindow(window),
      m_shell(shell),
      m_pModel(model),
      m_pList(list),
      m_rows(rows),
      m_urlOpener(OpenUrlWithDesktop),
      m_archiveExtraction(shell) {
    m_showMessage = [this](const QString& text, QMessageBox::Icon icon) {
        ShowProgramMessage(m_pWindow, text, icon);
    };
    m_fileOpener = [this](const std::string& path) {
        OpenFileWithDesktop(path, m_pWindow,
                            [this](int code) { ShowWarning(OpenErrorText(code)); });
    };
    connect(m_pList, &CResultListCtrl::OpenRequested, this, [this] { OpenSelection(); });
    m_pList->SetDragHandler(this);
    m_dragScrollTimer.setInterval(250);  // timer 101
    connect(&m_dragScrollTimer, &QTimer::timeout, this, [this] {
        OnDragScrollTimer(m_pList->GetCurrentView()->viewport()->mapFromGlobal(QCursor::pos()));
    });
}

// ------------------------------------------------------------------ opening

void CResultShell::OpenSelection() {
    std::vector<std::size_t> members;
    std::vector<std::string> paths;
    for (const CRowRecord& shown : m_pList->GetSelectedRecords()) {
        std::string path;
        if (shown.record->m_dwFlags & RIF_IN_ARCHIVE)
            members.push_back(shown.index);
        else if (shown.record->GetFilePath(&path))
            paths.push_back(std::move(path));
    }
    if (!members.empty()) {
        std::vector<std::string> extracted;
        m_bExtracting = true;
        const int result = m_archiveExtraction.ExtractArchiveItems(
            m_pWindow, *m_pModel->GetResults(), members, &extracted);
        m_bExtracting = false;
        if (result == EXTRACTION_CANCELLED)
            return;
        paths.insert(paths.end(), extracted.begin(), extracted.end());
    }
    for (const std::string& path : paths)
        m_fileOpener(path);
}

// ----------------------------------------------------------------- payload

void CResultShell::ResetSelectionData() {
    m_archiveExtraction.GetSelectionPayload().Clear();
    m_archiveExtraction.SetExtractionPending(FALSE);
    m_arrSelectedRecords.clear();
    m_bRightMenu = FALSE;
    m_bDropHappened = FALSE;
}

int CResultShell::PrepareSelectionData() {
    const std::vector<CRowRecord> selected = m_pList->GetSelectedRecords();
    if (selected.empty())
        return 0;
    ResetSelectionData();
    CSelectionPayload& payload = m_archiveExtraction.GetSelectionPayload();
    std::vector<std::size_t> members;
    int counted = 0;
    for (const CRowRecord& shown : selected) {
        if (shown.record->m_dwFlags & RIF_IN_ARCHIVE) {
            members.push_back(shown.index);
            ++counted;
        }
    }
    for (const CRowRecord& shown : selected) {
        const CResultItem* record = shown.record;
        m_arrSelectedRecords.push_back(record);
        if (record->m_dwFlags & RIF_IN_ARCHIVE)
            continue;
        if (record->HasFullPidl())
            payload.m_arrItemIdLists.push_back(record->GetFullPidl());
        ++counted;
        std::string path;
        if (!(record->m_dwFlags & RIF_NO_PATH) && record->GetFilePath(&path)) {
            payload.m_strText += path + "\n";
            payload.m_arrDropFiles.push_back(std::move(path));
        }
    }
    if (counted == 0) {
        ResetSelectionData();
        return 0;
    }
    m_archiveExtraction.SetSelectedArchiveItems(std::move(members));
    m_archiveExtraction.SetExtractionPending(payload.m_arrArchiveIndices.empty() ? FALSE : TRUE);
    m_bRightMenu = TRUE;
    return 1;
}

CSelectionClipData CResultShell::MakeClipData(std::vector<int> formats) {
    const CSelectionPayload& payload = m_archiveExtraction.GetSelectionPayload();
    CSelectionClipData data;
    data.formats = std::move(formats);
    data.text = payload.m_strText;
    data.paths = payload.m_arrDropFiles;
    data.rightMenu = m_bRightMenu;
    // The desktop (an empty list) is the parent of every item.
    const PidlPtr desktop(ILAlloc(2));
    CCF_ShellIDList lists;
    lists.AddPidl(desktop.get());
    for (const PidlPtr& list : payload.m_arrItemIdLists)
        lists.AddPidl(list.get());
    data.shellIdList = SerializeClipObject(lists);
    return data;
}

bool CResultShell::ExtractPendingMembers() {
    if (!m_archiveExtraction.IsExtractionPending())
        return true;
    m_bExtracting = true;
    const int result =
        m_archiveExtraction.ExtractSelectedArchiveItems(m_pWindow, *m_pModel->GetResults());
    m_bExtracting = false;
    if (result != EXTRACTION_CANCELLED)
        return true;
    ResetSelectionData();
    return false;
}

BOOL CResultShell::RenderDragFormat(CSelectionClipData* data) {
    if (!ExtractPendingMembers())
        return FALSE;
    const DWORD effect = data->preferredEffect;
    *data = MakeClipData(data->formats);
    data->preferredEffect = effect;
    return TRUE;
}

// ---------------------------------------------------------- copy and cut

void CResultShell::OnCopyCommand(DWORD effect) {
    if (!PrepareSelectionData())
        return;
    m_shellMenu.SetData(&m_archiveExtraction.GetSelectionPayload().m_arrDropFiles,
                        &m_arrSelectedRecords);
    if (ExtractPendingMembers())
        m_shellMenu.DoFileOperation(effect == 2 ? FILEOP_CUT : FILEOP_COPY);
    m_shellMenu.Reset();
    ResetSelectionData();
}

void CResultShell::PutSelectionOnClipboard(DWORD effect) {
    CResultDataSource selection;
    selection.Offer(
        MakeClipData({CLIPFMT_RIGHTMENU, CLIPFMT_TEXT, CLIPFMT_SHELLIDLIST, CLIPFMT_HDROP}));
    auto* clip = new CResultDataSource;
    clip->CopyFrom(selection);
    clip->AddPreferredDropEffect(effect);
    QGuiApplication::clipboard()->setMimeData(clip, QClipboard::Clipboard);
}

// ------------------------------------------------------------ dragging out

void CResultShell::BeginResultDrag(bool right) {
    if (m_pList->GetSelectedCount() == 0)
        return;
    if (!PrepareSelectionData())
        return;
    // Members have no shell items before they are extracted: their drag
    // offers no item-list array, and no right-button menu.
    const bool pending = m_archiveExtraction.IsExtractionPending() != FALSE;
    m_bRightMenu = right && !pending ? TRUE : FALSE;
    auto* source = new CResultDataSource;
    if (pending) {
        source->Offer(MakeClipData({CLIPFMT_RIGHTMENU, CLIPFMT_TEXT, CLIPFMT_HDROP}),
                      [this](CSelectionClipData* data) { return RenderDragFormat(data) != FALSE; });
    } else {
        source->Offer(
            MakeClipData({CLIPFMT_RIGHTMENU, CLIPFMT_TEXT, CLIPFMT_SHELLIDLIST, CLIPFMT_HDROP}));
    }
    auto* drag = new QDrag(m_pList->GetCurrentView());
    drag->setMimeData(source);
    DebugTrace("OnBeginDrag");
    const Qt::DropAction action =
        m_dragRunner ? m_dragRunner(drag)
                     : drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    if (action != Qt::IgnoreAction) {
        DebugTrace("GiveFeedback DRAGDROP_S_DROP");
        SetDataPrepared();
    }
    drag->deleteLater();
    ResetSelectionData();
}

// ------------------------------------------------------ drops on the list

std::unique_ptr<zb::CFolderDropTarget> CResultShell::RowDropTarget(const QPoint& point) const {
    const CResultItem* record = m_pModel->GetRecord(m_pList->RowAt(point));
    // Only folders on disk take drops: not files, members or path-less items.
    if (!record || (record->m_dwFlags & (RIF_IN_ARCHIVE | RIF_NO_PATH)) ||
        !(record->m_dwFlags & RIF_FOLDER))
        return nullptr;
    std::string path;
    return record->GetFilePath(&path) ? zb::CFolderDropTarget::Create(path) : nullptr;
}

DWORD CResultShell::OnDragEnter(const QMimeData* data, DWORD keyState, const QPoint& point) {
    m_dwDragKeyState = keyState;
    m_dragScrollTimer.start();
    std::unique_ptr<zb::CFolderDropTarget> target = RowDropTarget(point);
    if (!target)
        return DROPEFFECT_NONE;
    const DWORD effect =
        target->DragEnter(DroppedPaths(data), m_dwDragKeyState, ProposedDropEffect(keyState));
    target->DragLeave();
    return effect;
}

DWORD CResultShell::OnDragOver(const QMimeData* data, DWORD keyState, const QPoint& point) {
    m_dwDragKeyState = (keyState & MK_MODIFIERS) | (m_dwDragKeyState & MK_BUTTONS);
    std::unique_ptr<zb::CFolderDropTarget> target = RowDropTarget(point);
    if (!target)
        return DROPEFFECT_NONE;
    return target->Hover(DroppedPaths(data), m_dwDragKeyState);
}

void CResultShell::OnDragLeave() {
    m_dragScrollTimer.stop();
}

DWORD CResultShell::OnDrop(const QMimeData* data, DWORD effect, const QPoint& point) {
    m_dragScrollTimer.stop();
    std::unique_ptr<zb::CFolderDropTarget> target = RowDropTarget(point);
    if (!target)
        return DROPEFFECT_NONE;
    return target->Drop(DroppedPaths(data), m_dwDragKeyState, effect, m_rows);
}

void CResultShell::OnDragScrollTimer(const QPoint& cursor) {
    const QWidget* viewport = m_pList->GetCurrentView()->viewport();
    if (!viewport->rect().contains(cursor))
        return;
    if (cursor.y() < kScrollMarginPixels)
        m_pList->ScrollOneLine(-1);
    else if (cursor.y() >= viewport->height() - kScrollMarginPixels)
        m_pList->ScrollOneLine(1);
}

// --------------------------------------------------------- context menus

void CResultShell::ShowSelectionMenu(const QPoint& globalPos) {
    if (!PrepareSelectionData())
        return;
    const CResultItem* single = nullptr;
    if (m_arrSelectedRecords.size() == 1 && !(m_arrSelectedRecords[0]->m_dwFlags & RIF_IN_ARCHIVE))
        single = m_arrSelectedRecords[0];
    TrackSelectionMenu(globalPos, single);
    ResetSelectionData();
}

void CResultShell::TrackSelectionMenu(const QPoint& globalPos, const CResultItem* exploreRow) {
    m_shellMenu.SetData(&m_archiveExtraction.GetSelectionPayload().m_arrDropFiles,
                        &m_arrSelectedRecords);
    m_shellMenu.SetTypeResolver(MimeChainOf);
    if (m_shellMenu.BuildMenu(0, exploreRow ? kExploreLocationId + 1 : 1, 0x7FFF, CMF_EXPLORE) !=
        0) {
        m_shellMenu.Reset();
        return;
    }
    QMenu menu(m_pWindow);
    if (exploreRow) {
        menu.addAction(ResourceText(IDS_EXPLORE_LOCATION_FOLDER))->setData(kExploreLocationId);
        menu.addSeparator();
    }
    FillShellMenu(&menu, m_shellMenu.GetMenu());
    const UINT id = TrackShellMenu(&menu, globalPos, m_menuChooser);
    if (id == kExploreLocationId && exploreRow) {
        // The folder that holds the row, with the row shown in it: a folder
        // row too, which the Explore verb would open itself.
        std::string path;
        if (exploreRow->GetFilePath(&path))
            zb::ExploreItems(FileManager(), {path}, FolderOpener());
        else
            RunVerbOnItem(VERB_EXPLORE, *exploreRow);
    } else if (id != 0 && (!m_shellMenu.NeedsExtraction(id) || ExtractPendingMembers())) {
        const bool deleting = m_shellMenu.IsDeleteCommand(id);
        const bool renaming = m_shellMenu.IsRenameCommand(id);
        m_shellMenu.InvokeCommand(id);
        m_shellMenu.Reset();
        if (deleting)
            m_rows.RemoveVanishedSelection();
        if (renaming)
            m_rows.OnRenameCommand();
        return;
    }
    m_shellMenu.Reset();
}

void CResultShell::ShowTreeItemContextMenu(CFolderTreeCtrl& tree, QTreeWidgetItem* item,
                                           const QPoint& globalPos) {
    const FOLDERITEM* data = CFolderTreeCtrl::GetFolderItem(item);
    if (data == nullptr || !data->m_pidlFull)
        return;
    // The node as a record of its own: a folder (or an archive file) with its
    // path where it has one.
    CResultItem record;
    record.m_pParentFolder = data->m_pParentFolder;
    record.SetItemLists(PidlPtr(ILClone(data->m_pidl.get())),
                        PidlPtr(ILClone(data->m_pidlFull.get())));
    record.m_sName = item->text(0).toStdString();
    record.m_dwFlags = data->m_nKind == FOLDERITEM_ARCHIVE ? RIF_ARCHIVE : RIF_FOLDER;
    std::string path;
    const bool onDisk = item->parent() != nullptr &&
                        SHGetPathFromIDList(data->m_pidlFull.get(), &path) && !path.empty();
    if (onDisk) {
        record.m_dwFlags |= RIF_DELETABLE;
        const char* name = GetFileNamePart(path.c_str());
        record.m_sName = name ? name : path;
        const std::string folder = GetParentFolder(path);
        record.m_sFolder = folder.empty() ? "/" : folder;
    } else {
        record.m_dwFlags |= RIF_NO_PATH;
    }
    ResetSelectionData();
    CSelectionPayload& payload = m_archiveExtraction.GetSelectionPayload();
    payload.m_arrItemIdLists.push_back(record.GetFullPidl());
    if (onDisk) {
        payload.m_arrDropFiles.push_back(path);
        payload.m_strText = path + "\n";
    }
    m_arrSelectedRecords.push_back(&record);
    m_bRightMenu = TRUE;

    m_shellMenu.SetData(&payload.m_arrDropFiles, &m_arrSelectedRecords);
    m_shellMenu.SetTypeResolver(MimeChainOf);
    if (m_shellMenu.BuildMenu(0, 1, 0x7FFF, CMF_EXPLORE) == 0) {
        QMenu menu(m_pWindow);
        FillShellMenu(&menu, m_shellMenu.GetMenu());
        const UINT id = TrackShellMenu(&menu, globalPos, m_menuChooser);
        if (id != 0 && m_shellMenu.IsRenameCommand(id) && onDisk) {
            bool ok = false;
            const CNameText shown(record.m_sName);
            const QString name =
                QInputDialog::getText(m_pWindow, ResourceText(IDS_PROGRAM_NAME),
                                      QStringLiteral("New name of '%1':").arg(shown.Text()),
                                      QLineEdit::Normal, shown.Text(), &ok);
            int error = 0;
            const std::string newName = shown.BytesOf(name);
            // An unchanged name is no rename: as if cancelled.
            ok = ok && newName != record.m_sName;
            const zb::RenameResult result =
                ok ? zb::RenameItem(record.m_sFolder.str(), record.m_sName.str(), newName, &error)
                   : zb::RenameResult::Renamed;
            if (result != zb::RenameResult::Renamed)
                ShowWarning(QString::fromStdString(
                    zb::RenameFailureText(result, record.m_sName.str(), newName, error)));
            else if (ok)
                tree.Refresh();
        } else if (id != 0) {
            const bool deleting = m_shellMenu.IsDeleteCommand(id);
            m_shellMenu.InvokeCommand(id);
            if (deleting && !FileExists(path))
                tree.Refresh();
        }
    }
    m_shellMenu.Reset();
    ResetSelectionData();
}

// ------------------------------------------------- what the commands do

zb::IFileManagerCaller& CResultShell::FileManager() {
    if (!m_pFileManager)
        m_pFileManager = std::make_unique<CFileManagerBus>();
    return *m_pFileManager;
}

zb::FolderOpener CResultShell::FolderOpener() {
    return [this](const std::string& folder) {
        m_fileOpener(folder);
        return true;
    };
}

void CResultShell::RunVerb(ShellVerb verb, const std::vector<std::string>& paths) {
    switch (verb) {
        case VERB_OPEN:
            for (const std::string& path : paths)
                m_fileOpener(path);
            break;
        case VERB_EXPLORE: {
            std::vector<std::string> folders;
            std::vector<std::string> files;
            for (const std::string& path : paths)
                (IsDirectory(path) ? folders : files).push_back(path);
            if (!folders.empty())
                zb::ExploreFolders(FileManager(), folders, FolderOpener());
            if (!files.empty())
                zb::ExploreItems(FileManager(), files, FolderOpener());
            break;
        }
        case VERB_FIND:
            // A window of this program searching in each folder.
            for (const std::string& path : paths)
                RunProgram(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
                           {path});
            break;
        case VERB_PRINT:
            for (const std::string& path : paths) {
                PrintFileWithDesktop(m_rows.GetPrintCommand(), path, m_pWindow, [this, path] {
                    ShowWarning(QStringLiteral("Cannot print %1.").arg(NameToText(path)));
                });
            }
            break;
        case VERB_EDIT: {
            const std::vector<zb::DesktopApplication> editors =
                zb::FindApplicationsForTypes({{"text/plain"}});
            if (editors.empty())
                RunVerb(VERB_OPEN, paths);
            else
                LaunchApplication(editors.front(), paths);
            break;
        }
        default:
            break;
    }
}

void CResultShell::RunVerbOnItem(ShellVerb verb, const CResultItem& record) {
    if ((verb != VERB_OPEN && verb != VERB_EXPLORE) || !record.m_pParentFolder || !record.m_pidl)
        return;
    std::string parsingName;
    if (FAILED(m_shell.GetDisplayName(record.m_pidl.get(), &parsingName,
                                      record.m_pParentFolder.Get(), SHGDN_FORPARSING)))
        return;
    const QUrl url = SpecialFolderUrl(parsingName);
    if (url.isValid() && !m_urlOpener(url))
        ShowWarning(OpenErrorText(kOpenErrorNoAssociation));
}

void CResultShell::DeletePaths(const std::vector<std::string>& paths) {
    zb::DeleteToTrash(paths, m_rows);
}

void CResultShell::LaunchApplication(const zb::DesktopApplication& application,
                                     const std::vector<std::string>& paths) {
    const zb::ProgramStarter start = [this](const std::vector<std::string>& argv) {
        return StartWatchedProgram(argv, zb::SpawnStreams::Inherited, m_pWindow, {}) > 0;
    };
    if (!zb::LaunchDesktopApplication(application, paths, start))
        ShowWarning(
            QStringLiteral("Cannot start %1.").arg(QString::fromStdString(application.name)));
}

void CResultShell::RunProgram(const std::string& program,
                              const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    if (StartWatchedProgram(argv, zb::SpawnStreams::Inherited, m_pWindow, {}) <= 0)
        ShowWarning(QStringLiteral("Cannot start %1.").arg(NameToText(program)));
}

void CResultShell::ShowProperties(const std::vector<const CResultItem*>& records) {
    std::vector<std::string> paths;
    for (const CResultItem* record : records) {
        std::string path;
        if (!(record->m_dwFlags & (RIF_IN_ARCHIVE | RIF_NO_PATH)) && record->GetFilePath(&path))
            paths.push_back(std::move(path));
    }
    auto* sheet = new CFilePropertiesSheet(m_pWindow);
    if (!paths.empty()) {
        auto* page = new CFileGeneralPage(std::move(paths), sheet);
        sheet->AddPage(page, page->windowTitle());
    }
    if (sheet->ShowWithPages())
        m_pLastSheet = sheet;
}
