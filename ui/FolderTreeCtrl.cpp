#include "ui/FolderTreeCtrl.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <QKeyEvent>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/Log.h"
#include "platform/PathUtils.h"
#include "platform/TextCase.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellFileInfo.h"
#include "platform/shell/ShellRoots.h"
#include "platform/shell/VolumeListFolder.h"
#include "ui/QtFileTypeInfoProvider.h"

namespace {

// Children asked for: folders, non-folders and hidden items.
constexpr DWORD kEnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;
// Attributes asked of every child: has-subfolder, folder, non-enumerated, 0x80.
constexpr ULONG kChildAttributes = 0xA0100080;
constexpr ULONG kFolderBits = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
// Attributes asked of the selection: file system, non-enumerated.
constexpr ULONG kSelectionAttributes = SFGAO_FILESYSTEM | SFGAO_NONENUMERATED;
// Small system icon of an item list; the same opened.
constexpr UINT kIconFlags = SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON;
constexpr UINT kOpenIconFlags = kIconFlags | SHGFI_OPENICON;
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
    if (g_arrArchiveExtensions.empty())
        InitArchiveExtensions();
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
}

CFolderTreeCtrl::~CFolderTreeCtrl() {
    // The nodes (and their FOLDERITEMs) go before the handlers and the shell.
    disconnect(this, nullptr, this, nullptr);
    clear();
    DeleteArchiveHandlers(m_arrArchiveHandlers);
}

void CFolderTreeCtrl::SetSystemImageList() {
    m_pImageList = &SystemImageList();
    SetFileTypeInfoProvider(m_pImageList);
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

CFolderTreeItem* CFolderTreeCtrl::NewItem(std::unique_ptr<FOLDERITEM> data, const std::string& text,
                                          int icon, int openIcon) const {
    auto* item = new CFolderTreeItem(std::move(data), text);
    item->m_iIcon = icon;
    item->m_iOpenIcon = openIcon;
    SetItemIcons(item);
    return item;
}

void CFolderTreeCtrl::Refresh() {
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop)
        return;
    m_pTreeDesktop = desktop;
    clear();

    CFolderTreeItem* root = InsertDesktopRoot();
    if (root == nullptr)
        return;
    FillChildren(desktop.Get(), root->Data()->m_pidlFull.get(), root);
    SortChildren(root);
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
    if (GetMalloc() == nullptr)
        return nullptr;
    auto data = std::make_unique<FOLDERITEM>();
    data->m_pParentFolder = m_pTreeDesktop;
    data->m_pidl.reset(ILAlloc(2));
    data->m_pidlFull.reset(ILAlloc(2));
    if (!data->m_pidl || !data->m_pidlFull)
        return nullptr;
    std::string name;
    GetPidlDisplayName(data->m_pidlFull.get(), &name);
    const int icon = GetIconIndex(data->m_pidlFull.get(), kIconFlags);
    const int openIcon = GetIconIndex(data->m_pidlFull.get(), kOpenIconFlags);
    CFolderTreeItem* root = NewItem(std::move(data), name, icon, openIcon);
    root->SetChildButton(true);
    addTopLevelItem(root);
    return root;
}

BOOL CFolderTreeCtrl::FillChildren(IShellFolder* folder, LPCITEMIDLIST parentAbsolute,
                                   CFolderTreeItem* parent) {
    IMalloc* allocator = GetMalloc();
    if (allocator == nullptr || folder == nullptr)
        return FALSE;
    setUpdatesEnabled(false);
    int inserted = 0;
    ComPtr<IEnumIDList> items;
    if (SUCCEEDED(folder->EnumObjects(kEnumFlags, &items)) && items) {
        for (;;) {
            LPITEMIDLIST raw = nullptr;
            ULONG fetched = 0;
            if (items->Next(1, &raw, &fetched) != S_OK || fetched != 1)
                break;
            PidlPtr child(raw);
            LPCITEMIDLIST childList = child.get();
            ULONG attributes = kChildAttributes;
            if (FAILED(folder->GetAttributesOf(1, &childList, &attributes)))
                continue;
            PidlPtr absolute(ConcatPidls(parentAbsolute, childList));
            if (!absolute)
                continue;
            bool button = false;
            int kind = FOLDERITEM_SHELL;
            if (attributes & kFolderBits) {
                button = ((attributes & SFGAO_HASSUBFOLDER) != 0 &&
                          (attributes & SFGAO_NONENUMERATED) == 0) ||
                         HasArchiveFile(absolute.get());
            } else if (IsArchiveItem(absolute.get())) {
                kind = FOLDERITEM_ARCHIVE;
                button = true;
            } else {
                continue;
            }
            std::string text;
            GetItemName(folder, childList, SHGDN_NORMAL, &text);
            auto data = std::make_unique<FOLDERITEM>();
            data->m_pParentFolder = ComPtr<IShellFolder>(folder);
            data->m_pidl.reset(CopyItemID(allocator, childList));
            data->m_pidlParentFull.reset(ILClone(parentAbsolute));
            data->m_nKind = kind;
            const int icon = GetIconIndex(absolute.get(), kIconFlags);
            const int openIcon = GetIconIndex(absolute.get(), kOpenIconFlags);
            data->m_pidlFull = std::move(absolute);
            CFolderTreeItem* item = NewItem(std::move(data), text, icon, openIcon);
            item->SetChildButton(button);
            parent->addChild(item);
            ++inserted;
        }
    }
    setUpdatesEnabled(true);
    return inserted > 0 ? TRUE : FALSE;
}

BOOL CFolderTreeCtrl::IsArchiveItem(LPCITEMIDLIST absolute) const {
    std::string path;
    if (!SHGetPathFromIDList(absolute, &path))
        return FALSE;
    return IsArchiveFileName(path);
}

BOOL CFolderTreeCtrl::HasArchiveFile(LPCITEMIDLIST absolute) const {
    std::string path;
    if (!SHGetPathFromIDList(absolute, &path))
        return FALSE;
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr)
        return FALSE;
    BOOL found = FALSE;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (IsArchiveFileName(entry->d_name)) {
            found = TRUE;
            break;
        }
    }
    closedir(dir);
    return found;
}

BOOL CFolderTreeCtrl::FillArchiveChildren(const FOLDERITEM& data, CFolderTreeItem* parent) {
    if (data.m_nKind != FOLDERITEM_ARCHIVE)
        return FALSE;
    std::string path;
    if (!SHGetPathFromIDList(data.m_pidlFull.get(), &path))
        return FALSE;
    RecreateArchiveHandlers();
    CArchiveHandler* handler = FindArchiveHandlerIn(path, m_arrArchiveHandlers);
    if (handler == nullptr)
        return FALSE;

    // Folders inside an archive all show the plain folder icon of the
    // Desktop folder on disk.
    const std::string desktopDir = CurrentShellRoots()->desktopDir;
    constexpr UINT kPlainFolder = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES;
    const int icon = GetIconIndexByAttributes(desktopDir, FILE_ATTRIBUTE_DIRECTORY, kPlainFolder);
    const int openIcon = GetIconIndexByAttributes(desktopDir, FILE_ATTRIBUTE_DIRECTORY,
                                                  kPlainFolder | SHGFI_OPENICON);

    setUpdatesEnabled(false);
    int inserted = 0;
    const std::string& folder = data.m_sInnerPath;
    int i = handler->FindFolder(folder);
    for (;;) {
        const int next = handler->NextChild(i, folder, FALSE);
        // A reader whose walk does not move on ends the walk.
        if (next < 0 || next <= i)
            break;
        i = next;
        DWORD attributes = 0;
        std::string name;
        if (!handler->GetAttributes(i, &attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !handler->GetName(i, &name)) {
            continue;
        }
        auto child = std::make_unique<FOLDERITEM>();
        child->m_pParentFolder = data.m_pParentFolder;
        child->m_pidl.reset(ILClone(data.m_pidl.get()));
        child->m_pidlFull.reset(ILClone(data.m_pidlFull.get()));
        child->m_pidlParentFull.reset(ILClone(data.m_pidlFull.get()));
        child->m_nKind = FOLDERITEM_ARCHIVE;
        child->m_sInnerPath = name;
        BOOL has = FALSE;
        const bool button = handler->HasSubfolders(name, &has) && has;
        CFolderTreeItem* item =
            NewItem(std::move(child), GetFileNamePart(name.c_str()), icon, openIcon);
        item->SetChildButton(button);
        parent->addChild(item);
        ++inserted;
    }
    setUpdatesEnabled(true);
    return inserted > 0 ? TRUE : FALSE;
}

void CFolderTreeCtrl::SortChildren(QTreeWidgetItem* item) {
    if (item == nullptr || item->childCount() < 2)
        return;
    QList<QTreeWidgetItem*> children = item->takeChildren();
    std::stable_sort(children.begin(), children.end(), [](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        const FOLDERITEM* first = AsFolderItem(a)->Data();
        const FOLDERITEM* second = AsFolderItem(b)->Data();
        if (first == nullptr || second == nullptr || !first->m_pParentFolder)
            return false;
        const HRESULT hr =
            first->m_pParentFolder->CompareIDs(0, first->m_pidl.get(), second->m_pidl.get());
        return SUCCEEDED(hr) && ShortFromResult(hr) < 0;
    });
    item->addChildren(children);
}

ComPtr<IShellFolder> CFolderTreeCtrl::BindItemFolder(const FOLDERITEM& data) const {
    if (!data.m_pParentFolder)
        return nullptr;
    // The root's relative list is empty: its folder is the desktop itself.
    if (ILIsEmpty(data.m_pidl.get()))
        return data.m_pParentFolder;
    ComPtr<IShellFolder> folder;
    if (FAILED(data.m_pParentFolder->BindToObject(data.m_pidl.get(), &folder)))
        return nullptr;
    return folder;
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
    BOOL inserted = FALSE;
    if (data->m_nKind == FOLDERITEM_ARCHIVE) {
        inserted = FillArchiveChildren(*data, item);
    } else if (ComPtr<IShellFolder> folder = BindItemFolder(*data)) {
        inserted = FillChildren(folder.Get(), data->m_pidlFull.get(), item);
    }
    // A folder that cannot be bound or shows nothing loses its button.
    if (!inserted)
        item->SetChildButton(false);
    SortChildren(item);
}

void CFolderTreeCtrl::ExpandItem(QTreeWidgetItem* item) {
    if (item == nullptr)
        return;
    if (!AsFolderItem(item)->IsExpandedOnce())
        OnItemExpanding(item);
    item->setExpanded(true);
}

void CFolderTreeCtrl::FillOnce(CFolderTreeItem* item, IShellFolder* boundFolder) {
    const FOLDERITEM* data = item->Data();
    if (data == nullptr || item->IsExpandedOnce() || !item->HasChildButton())
        return;
    if (data->m_nKind == FOLDERITEM_ARCHIVE) {
        FillArchiveChildren(*data, item);
    } else if (boundFolder != nullptr) {
        FillChildren(boundFolder, data->m_pidlFull.get(), item);
    } else {
        return;
    }
    SortChildren(item);
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
        FillOnce(item, nullptr);
    } else if (ComPtr<IShellFolder> folder = BindItemFolder(data)) {
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

void CFolderTreeCtrl::CloseArchiveHandlers() {
    ::CloseArchiveHandlers(m_arrArchiveHandlers);
}

void CFolderTreeCtrl::RecreateArchiveHandlers() {
    CreateArchiveHandlers(m_arrArchiveHandlers);
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
    if (!item->IsExpandedOnce() && item->Data() != nullptr) {
        if (item->Data()->m_nKind == FOLDERITEM_ARCHIVE) {
            FillOnce(item, nullptr);
        } else {
            ComPtr<IShellFolder> folder = BindItemFolder(*item->Data());
            FillOnce(item, folder.Get());
        }
    }
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
        mount = TrimTrailingSlashes(mount);
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
        absolute = TrimTrailingSlashes(absolute);
        std::string canonical;
        if (SUCCEEDED(CanonicalPath(absolute, &canonical)))
            absolute = canonical;
        if (!computer->isExpanded())
            ExpandItem(computer);
        QTreeWidgetItem* selected = SelectVolumeByPath(computer, absolute);
        if (selected != nullptr) {
            std::string mount;
            SHGetPathFromIDList(GetFolderItem(selected)->m_pidlFull.get(), &mount);
            mount = TrimTrailingSlashes(mount);
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
