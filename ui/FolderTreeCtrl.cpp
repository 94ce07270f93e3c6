#include "ui/FolderTreeCtrl.h"

#include <sys/stat.h>

#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>

#include <filesystem>
#include <vector>

#include "platform/Log.h"
#include "platform/PathUtils.h"
#include "platform/TextCase.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellFileInfo.h"
#include "platform/shell/ShellRoots.h"
#include "platform/shell/VolumeListFolder.h"
#include "ui/DragDropConvert.h"
#include "ui/QtFileTypeInfoProvider.h"

namespace {

constexpr int kDragTimerMs = 250;        // timer 101
constexpr int kExpandTick = 8;           // the tick over one node that opens it
constexpr int kScrollMarginPixels = 30;  // edges where a drag scrolls

// Attributes asked of the selection: file system, non-enumerated.
constexpr ULONG kSelectionAttributes = SFGAO_FILESYSTEM | SFGAO_NONENUMERATED;
constexpr int kSmallIconPixels = 16;

constexpr const char* kComputerParsingName = "::Computer";
constexpr const char* kNetworkParsingName = "::Network";

CFolderTreeItem* AsFolderItem(QTreeWidgetItem* item) {
    return static_cast<CFolderTreeItem*>(item);
}

bool PathExists(const std::string& path) {
    struct stat st;
    return !path.empty() && lstat(path.c_str(), &st) == 0;
}

// Splits at `separator`, leaving out empty parts.
std::vector<std::string> SplitParts(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

CFolderTreeItem::CFolderTreeItem(std::unique_ptr<FOLDERITEM> data, std::string text)
    : m_pData(std::move(data)), m_sText(std::move(text)) {
    setText(0, QString::fromUtf8(m_sText.data(), static_cast<qsizetype>(m_sText.size())));
}

bool CFolderTreeItem::HasChildButton() const {
    return childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
}

void CFolderTreeItem::SetChildButton(bool show) {
    setChildIndicatorPolicy(show ? QTreeWidgetItem::ShowIndicator
                                 : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

CFolderTreeCtrl::CFolderTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // A fault of the shell or of an archive while filling ends the slot; it
    // is logged, and the node keeps what it holds.
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        try {
            OnItemExpanding(item);
        } catch (...) {
            LogErrorHere();
        }
    });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnCurrentItemChanged(current); });
    // Files dropped on a folder go there; the tree scrolls and opens nodes
    // itself while a drag hovers.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAutoScroll(false);
    setAutoExpandDelay(-1);
    m_dragTimer.setInterval(kDragTimerMs);
    connect(&m_dragTimer, &QTimer::timeout, this,
            [this] { OnDragTimer(viewport()->mapFromGlobal(QCursor::pos())); });
}

CFolderTreeCtrl::~CFolderTreeCtrl() {
    // The nodes (and their FOLDERITEMs) go before the handlers and the shell.
    m_dragTimer.stop();
    disconnect(this, nullptr, this, nullptr);
    clear();
}

void CFolderTreeCtrl::SetSystemImageList() {
    m_pImageList = &SystemImageList();
    zb::SetFileTypeInfoProvider(m_pImageList);
    setIconSize(QSize(kSmallIconPixels, kSmallIconPixels));
}

void CFolderTreeCtrl::SetItemIcons(CFolderTreeItem* item) const {
    if (m_pImageList == nullptr)
        return;
    // The open icon stands for the selected node.
    QIcon icon;
    const QIcon normal = m_pImageList->Icon(item->m_iIcon);
    const QIcon open = m_pImageList->Icon(item->m_iOpenIcon);
    if (!normal.isNull())
        icon.addPixmap(normal.pixmap(kSmallIconPixels), QIcon::Normal);
    if (!open.isNull())
        icon.addPixmap(open.pixmap(kSmallIconPixels), QIcon::Selected);
    item->setIcon(0, icon);
}

CFolderTreeItem* CFolderTreeCtrl::NewItem(CFolderListEntry entry) const {
    auto* item = new CFolderTreeItem(std::move(entry.data), std::move(entry.text));
    item->m_iIcon = entry.icon;
    item->m_iOpenIcon = entry.openIcon;
    item->SetChildButton(entry.hasChildButton);
    SetItemIcons(item);
    return item;
}

void CFolderTreeCtrl::Refresh() {
    zb::ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop)
        return;
    m_pTreeDesktop = desktop;
    clear();

    CFolderTreeItem* root = InsertDesktopRoot();
    if (root == nullptr)
        return;
    if (auto children = m_lister.ListChildren(*root->Data()))
        AddChildren(root, std::move(*children));
    root->SetExpandedOnce();
    ExpandItem(root);
    if (CFolderTreeItem* computer = FindChildBySpecialFolder(kComputerParsingName))
        ExpandItem(computer);
    if (CFolderTreeItem* network = FindChildBySpecialFolder(kNetworkParsingName))
        ExpandItem(network);
    // Selecting the root is no choice of the user: the owner lists nothing.
    m_bSelecting = 1;
    SelectItem(root);
    m_bSelecting = 0;
}

CFolderTreeItem* CFolderTreeCtrl::InsertDesktopRoot() {
    std::optional<CFolderListEntry> entry = m_lister.DesktopRoot(m_pTreeDesktop.Get());
    if (!entry)
        return nullptr;
    CFolderTreeItem* root = NewItem(std::move(*entry));
    addTopLevelItem(root);
    return root;
}

bool CFolderTreeCtrl::AddChildren(CFolderTreeItem* parent, std::vector<CFolderListEntry> entries) {
    setUpdatesEnabled(false);
    for (CFolderListEntry& entry : entries)
        parent->addChild(NewItem(std::move(entry)));
    setUpdatesEnabled(true);
    return entries.empty() ? FALSE : TRUE;
}

void CFolderTreeCtrl::OnItemExpanding(QTreeWidgetItem* treeItem) {
    CFolderTreeItem* item = AsFolderItem(treeItem);
    if (item == nullptr)
        return;
    if (item->IsExpandedOnce()) {
        if (item->childCount() == 0)
            item->SetChildButton(false);
        return;
    }
    item->SetExpandedOnce();
    const FOLDERITEM* data = item->Data();
    if (data == nullptr) {
        item->SetChildButton(false);
        return;
    }
    // A folder that cannot be bound or shows nothing loses its button.
    std::optional<std::vector<CFolderListEntry>> children = m_lister.ListChildren(*data);
    if (!children || !AddChildren(item, std::move(*children)))
        item->SetChildButton(false);
}

void CFolderTreeCtrl::ExpandItem(QTreeWidgetItem* item) {
    if (item == nullptr)
        return;
    if (!AsFolderItem(item)->IsExpandedOnce())
        OnItemExpanding(item);
    item->setExpanded(true);
}

void CFolderTreeCtrl::FillOnce(CFolderTreeItem* item, IShellFolder* folder) {
    const FOLDERITEM* data = item->Data();
    if (data == nullptr || item->IsExpandedOnce() || !item->HasChildButton())
        return;
    std::optional<std::vector<CFolderListEntry>> children = m_lister.ListChildren(*data, folder);
    if (!children)
        return;
    AddChildren(item, std::move(*children));
    item->SetExpandedOnce();
}

BOOL CFolderTreeCtrl::OnSelChanged(QTreeWidgetItem* treeItem, std::string* outPath) {
    CFolderTreeItem* item = AsFolderItem(treeItem);
    if (item == nullptr || item->Data() == nullptr)
        return FALSE;
    const FOLDERITEM& data = *item->Data();
    std::string path;
    if (data.m_nKind == FOLDERITEM_ARCHIVE) {
        // An archive, or a folder inside one, gives the archive file's path;
        // the inner path stays in the FOLDERITEM.
        if (SHGetPathFromIDList(data.m_pidlFull.get(), &path) && PathExists(path)) {
            if (outPath)
                *outPath = path;
        } else {
            path.clear();
        }
        FillOnce(item);
    } else if (const zb::ComPtr<IShellFolder> folder = CFolderLister::BindFolder(data)) {
        ULONG attributes = kSelectionAttributes;
        LPCITEMIDLIST relative = data.m_pidl.get();
        if (FAILED(data.m_pParentFolder->GetAttributesOf(1, &relative, &attributes)))
            attributes = 0;
        if ((attributes & SFGAO_FILESYSTEM) && SHGetPathFromIDList(data.m_pidlFull.get(), &path) &&
            PathExists(path)) {
            if (outPath)
                *outPath = path;
        } else {
            path.clear();
        }
        if (!(attributes & SFGAO_NONENUMERATED))
            FillOnce(item, folder.Get());
    }
    if (path.empty() && outPath)
        *outPath = GetItemTextPath(item);
    return TRUE;
}

void CFolderTreeCtrl::OnCurrentItemChanged(QTreeWidgetItem* current) {
    std::string path;
    BOOL given = FALSE;
    try {
        given = current != nullptr && OnSelChanged(current, &path);
    } catch (...) {
        LogErrorHere();
        given = FALSE;
    }
    if (given) {
        m_sSelectedPath = path;
        emit SelChanged(QFile::decodeName(QByteArray::fromStdString(path)));
    }
}

std::string CFolderTreeCtrl::GetItemTextPath(QTreeWidgetItem* item) const {
    std::string path;
    for (QTreeWidgetItem* node = item; node != nullptr; node = node->parent()) {
        const std::string& text = AsFolderItem(node)->Text();
        path = node == item ? text : text + '\\' + path;
    }
    return path;
}

BOOL CFolderTreeCtrl::IsRootSelected() const {
    QTreeWidgetItem* current = currentItem();
    return current != nullptr && current == topLevelItem(0) ? TRUE : FALSE;
}

FOLDERITEM* CFolderTreeCtrl::GetFolderItem(QTreeWidgetItem* item) {
    return item != nullptr ? AsFolderItem(item)->Data() : nullptr;
}

FOLDERITEM* CFolderTreeCtrl::GetSelectedFolderItem() const {
    return GetFolderItem(currentItem());
}

CFolderTreeItem* CFolderTreeCtrl::FindChildBySpecialFolder(const char* parsingName) const {
    QTreeWidgetItem* root = topLevelItem(0);
    if (root == nullptr || !m_pTreeDesktop)
        return nullptr;
    LPITEMIDLIST raw = nullptr;
    if (FAILED(m_pTreeDesktop->ParseDisplayName(parsingName, nullptr, &raw, nullptr)))
        return nullptr;
    PidlPtr list(raw);
    std::string name;
    if (!GetItemName(m_pTreeDesktop.Get(), list.get(), SHGDN_NORMAL, &name))
        return nullptr;
    for (int i = 0; i < root->childCount(); ++i) {
        CFolderTreeItem* child = AsFolderItem(root->child(i));
        if (child->Text() == name)
            return child;
    }
    return nullptr;
}

void CFolderTreeCtrl::SelectItem(CFolderTreeItem* item) {
    scrollToItem(item);
    setCurrentItem(item);
    // Selecting the node that is already current changes nothing: fill it
    // here so that the walk below it finds its children.
    FillOnce(item);
}

CFolderTreeItem* CFolderTreeCtrl::SelectVolumeByPath(QTreeWidgetItem* computer,
                                                     const std::string& path) {
    CFolderTreeItem* best = nullptr;
    std::size_t bestLength = 0;
    for (int i = 0; i < computer->childCount(); ++i) {
        CFolderTreeItem* child = AsFolderItem(computer->child(i));
        if (child->Data() == nullptr || child->Data()->m_nKind != FOLDERITEM_SHELL)
            continue;
        std::string mount;
        if (!SHGetPathFromIDList(child->Data()->m_pidlFull.get(), &mount))
            continue;
        mount = zb::TrimTrailingSlashes(mount);
        const bool holds = mount == "/" || path == mount ||
                           (path.compare(0, mount.size(), mount) == 0 && path[mount.size()] == '/');
        if (holds && (best == nullptr || mount.size() > bestLength)) {
            best = child;
            bestLength = mount.size();
        }
    }
    if (best != nullptr)
        SelectItem(best);
    return best;
}

CFolderTreeItem* CFolderTreeCtrl::SelectSiblingByText(QTreeWidgetItem* parent,
                                                      const std::string& text) {
    // File names differ by case on Linux: an exact match wins over one that
    // ignores case.
    CFolderTreeItem* caseless = nullptr;
    const std::string key = LowerCaseUtf8(text);
    for (int i = 0; i < parent->childCount(); ++i) {
        CFolderTreeItem* child = AsFolderItem(parent->child(i));
        const FOLDERITEM* data = child->Data();
        // Folders, and archive files (whose nodes open into the archive).
        const bool archiveFile =
            data != nullptr && data->m_nKind == FOLDERITEM_ARCHIVE && data->m_sInnerPath.empty();
        if (data == nullptr || (data->m_nKind != FOLDERITEM_SHELL && !archiveFile))
            continue;
        LPCITEMIDLIST relative = data->m_pidl.get();
        ULONG attributes = SFGAO_FILESYSTEM;
        if (!data->m_pParentFolder ||
            FAILED(data->m_pParentFolder->GetAttributesOf(1, &relative, &attributes)) ||
            !(attributes & SFGAO_FILESYSTEM)) {
            continue;
        }
        if (child->Text() == text) {
            caseless = child;
            break;
        }
        if (caseless == nullptr && LowerCaseUtf8(child->Text()) == key)
            caseless = child;
    }
    if (caseless != nullptr)
        SelectItem(caseless);
    return caseless;
}

bool CFolderTreeCtrl::SelectDisplayPath(const std::string& path) {
    const std::vector<std::string> parts = SplitParts(path, '\\');
    if (parts.empty())
        return false;
    CFolderTreeItem* found = nullptr;
    QTreeWidgetItem* level = invisibleRootItem();
    for (const std::string& part : parts) {
        if (found != nullptr) {
            if (!found->IsExpandedOnce())
                ExpandItem(found);
            level = found;
        }
        found = nullptr;
        for (int i = 0; i < level->childCount(); ++i) {
            CFolderTreeItem* child = AsFolderItem(level->child(i));
            if (child->Text() == part) {
                found = child;
                break;
            }
        }
        if (found == nullptr)
            return false;
    }
    SelectItem(found);
    return true;
}

void CFolderTreeCtrl::SelectPath(const std::string& path) {
    m_bSelecting = 1;
    QTreeWidgetItem* computer = FindChildBySpecialFolder(kComputerParsingName);
    if (PathExists(path) && computer != nullptr) {
        // The path as the namespace names it: absolute, its folders resolved.
        std::error_code error;
        std::string absolute = std::filesystem::absolute(path, error).lexically_normal().string();
        if (error)
            absolute = path;
        absolute = zb::TrimTrailingSlashes(absolute);
        std::string canonical;
        if (SUCCEEDED(zb::CanonicalPath(absolute, &canonical)))
            absolute = canonical;
        if (!computer->isExpanded())
            ExpandItem(computer);
        QTreeWidgetItem* selected = SelectVolumeByPath(computer, absolute);
        if (selected != nullptr) {
            std::string mount;
            SHGetPathFromIDList(GetFolderItem(selected)->m_pidlFull.get(), &mount);
            mount = zb::TrimTrailingSlashes(mount);
            const std::string rest = mount == "/" ? absolute : absolute.substr(mount.size());
            for (const std::string& part : SplitParts(rest, '/')) {
                selected = SelectSiblingByText(selected, part);
                if (selected == nullptr)
                    break;
            }
        }
    } else if (!SelectDisplayPath(path)) {
        if (QTreeWidgetItem* root = topLevelItem(0))
            SelectItem(AsFolderItem(root));
        LogPrintf(RGB(255, 0, 0), "%sis not valid folder", path.c_str());
    }
    m_bSelecting = 0;
}

void CFolderTreeCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F5) {
        Refresh();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

// ----------------------------------------------------------- drag and drop

std::unique_ptr<zb::CFolderDropTarget> CFolderTreeCtrl::GetItemDropTarget(
    QTreeWidgetItem* item) const {
    const FOLDERITEM* data = GetFolderItem(item);
    if (data == nullptr || data->m_nKind != 0)
        return nullptr;
    std::string path;
    if (item->parent() == nullptr)
        path = zb::CurrentShellRoots()->desktopDir;
    else if (!SHGetPathFromIDList(data->m_pidlFull.get(), &path))
        return nullptr;
    return zb::CFolderDropTarget::Create(path);
}

void CFolderTreeCtrl::SetDropHighlight(QTreeWidgetItem* item) {
    if (item == m_pDropHilite)
        return;
    if (m_pDropHilite)
        m_pDropHilite->setData(0, Qt::BackgroundRole, QVariant());
    m_pDropHilite = item;
    if (m_pDropHilite)
        m_pDropHilite->setBackground(0, palette().highlight());
}

QTreeWidgetItem* CFolderTreeCtrl::TrackHoverItem(const QPoint& point) {
    QTreeWidgetItem* item = itemAt(point);
    SetDropHighlight(item);
    if (item != m_pHoverItem) {
        m_pHoverItem = item;
        m_nHoverTicks = 0;
    }
    return item;
}

DWORD CFolderTreeCtrl::OnDragEnter(const QMimeData* data, DWORD keyState, const QPoint& point) {
    m_dwDragKeyState = keyState;
    m_pHoverItem = nullptr;
    QTreeWidgetItem* item = TrackHoverItem(point);
    m_nHoverTicks = 0;
    m_dragTimer.start();
    std::unique_ptr<zb::CFolderDropTarget> target = item ? GetItemDropTarget(item) : nullptr;
    if (!target)
        return DROPEFFECT_NONE;
    const DWORD effect = target->DragEnter(DroppedPaths(data), m_dwDragKeyState, DROPEFFECT_NONE);
    target->DragLeave();
    return effect;
}

DWORD CFolderTreeCtrl::OnDragOver(const QMimeData* data, DWORD keyState, const QPoint& point) {
    m_dwDragKeyState = (keyState & MK_MODIFIERS) | (m_dwDragKeyState & MK_BUTTONS);
    QTreeWidgetItem* item = TrackHoverItem(point);
    std::unique_ptr<zb::CFolderDropTarget> target = item ? GetItemDropTarget(item) : nullptr;
    if (!target)
        return DROPEFFECT_NONE;
    return target->Hover(DroppedPaths(data), m_dwDragKeyState);
}

void CFolderTreeCtrl::OnDragLeave() {
    m_dragTimer.stop();
    SetDropHighlight(nullptr);
}

DWORD CFolderTreeCtrl::OnDrop(const QMimeData* data, DWORD effect, const QPoint& point) {
    QTreeWidgetItem* item = itemAt(point);
    m_dragTimer.stop();
    SetDropHighlight(nullptr);
    std::unique_ptr<zb::CFolderDropTarget> target = item ? GetItemDropTarget(item) : nullptr;
    if (!target || !m_pFileOperationUi)
        return DROPEFFECT_NONE;
    DebugTrace("drop");
    return target->Drop(DroppedPaths(data), m_dwDragKeyState, effect, *m_pFileOperationUi);
}

void CFolderTreeCtrl::OnDragTimer(const QPoint& cursor) {
    if (m_pHoverItem && ++m_nHoverTicks == kExpandTick) {
        ExpandItem(m_pHoverItem);
        return;
    }
    if (!viewport()->rect().contains(cursor))
        return;
    if (cursor.y() < kScrollMarginPixels)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (cursor.y() > viewport()->height() - kScrollMarginPixels)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

void CFolderTreeCtrl::dragEnterEvent(QDragEnterEvent* event) {
    const DWORD effect =
        OnDragEnter(event->mimeData(), KeyStateOf(event->buttons(), event->modifiers()),
                    event->position().toPoint());
    // The tree follows the drag over all its nodes, whatever this one answers.
    event->setDropAction(DropActionOf(effect));
    event->accept();
}

void CFolderTreeCtrl::dragMoveEvent(QDragMoveEvent* event) {
    AnswerDropEvent(event,
                    OnDragOver(event->mimeData(), KeyStateOf(event->buttons(), event->modifiers()),
                               event->position().toPoint()));
}

void CFolderTreeCtrl::dragLeaveEvent(QDragLeaveEvent* event) {
    OnDragLeave();
    event->accept();
}

void CFolderTreeCtrl::dropEvent(QDropEvent* event) {
    AnswerDropEvent(event, OnDrop(event->mimeData(), EffectsOf(event->possibleActions()),
                                  event->position().toPoint()));
}

// ------------------------------------------------------------ context menu

void CFolderTreeCtrl::OnRClick(const QPoint& point) {
    QTreeWidgetItem* item = itemAt(point);
    if (item == nullptr)
        return;
    setCurrentItem(item);
    // Only a click on the node's icon or text, not on the empty row beside it.
    const QRect text = visualItemRect(item);
    const int textWidth = fontMetrics().horizontalAdvance(item->text(0)) + iconSize().width() + 8;
    if (point.x() > text.left() + textWidth)
        return;
    emit ItemContextMenuRequested(item, viewport()->mapToGlobal(point));
}

void CFolderTreeCtrl::contextMenuEvent(QContextMenuEvent* event) {
    // The event comes from the viewport, in its coordinates.
    if (event->reason() == QContextMenuEvent::Mouse) {
        OnRClick(event->pos());
    } else if (QTreeWidgetItem* item = currentItem()) {
        emit ItemContextMenuRequested(item, viewport()->mapToGlobal(visualItemRect(item).center()));
    }
    event->accept();
}
