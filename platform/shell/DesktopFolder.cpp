#include "platform/shell/DesktopFolder.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>

#include "platform/shell/VolumeListFolder.h"

namespace zb {

namespace {

struct SpecialName {
    zb::SpecialFolder which;
    std::string_view shown;
    std::string_view parsing;
};

constexpr std::array<SpecialName, 4> kSpecials = {{
    {SpecialFolder::Home, "Home", "::Home"},
    {SpecialFolder::Computer, "Computer", "::Computer"},
    {SpecialFolder::Network, "Network", "::Network"},
    {SpecialFolder::Trash, "Trash", "::Trash"},
}};

const SpecialName& NameOf(zb::SpecialFolder which) {
    return kSpecials[static_cast<std::size_t>(which) -
                     static_cast<std::size_t>(SpecialFolder::Home)];
}

}  // namespace

CDesktopFolder::CDesktopFolder(std::shared_ptr<const ShellRoots> roots)
    : CShellFolderBase(std::move(roots)) {
    FolderPlace place;
    place.dir = Roots()->desktopDir;
    place.name = "Desktop";
    place.parsingName = place.dir;
    place.missingIsEmpty = true;
    m_files = ComPtr<CFileSystemFolder>::Make(Roots(), std::move(place));
}

ComPtr<CShellFolderBase> CDesktopFolder::SpecialFolder(zb::SpecialFolder which) const {
    switch (which) {
        case SpecialFolder::Computer:
            return ComPtr<CVolumeListFolder>::Make(Roots(), CVolumeListFolder::Which::Computer);
        case SpecialFolder::Network:
            return ComPtr<CVolumeListFolder>::Make(Roots(), CVolumeListFolder::Which::Network);
        case SpecialFolder::Home:
        case SpecialFolder::Trash:
            break;
    }
    const bool home = which == SpecialFolder::Home;
    FolderPlace place;
    place.dir = home ? Roots()->home : Roots()->trashFiles;
    place.name = std::string(NameOf(which).shown);
    place.parsingName = std::string(NameOf(which).parsing);
    place.missingIsEmpty = !home;
    return ComPtr<CFileSystemFolder>::Make(Roots(), std::move(place));
}

HRESULT CDesktopFolder::ListItems(DWORD shcontf, CItemListBuilder* items) {
    if (shcontf & SHCONTF_FOLDERS) {
        for (const auto& special : kSpecials) {
            items->Add(ItemKind::Special, static_cast<BYTE>(special.which), {});
        }
    }
    return m_files->ListItems(shcontf, items);
}

HRESULT CDesktopFolder::BindChild(const ShellItem& item, ComPtr<CShellFolderBase>* child) {
    switch (item.kind) {
        case ItemKind::Special:
            *child = SpecialFolder(item.Special());
            return S_OK;
        case ItemKind::Entry:
            return m_files->BindChild(item, child);
        case ItemKind::Volume:
            break;
    }
    return E_INVALIDARG;
}

HRESULT CDesktopFolder::ChildAttributes(const ShellItem& item, ULONG asked, ULONG* attributes) {
    if (item.kind == ItemKind::Entry)
        return m_files->ChildAttributes(item, asked, attributes);
    if (item.kind != ItemKind::Special)
        return E_INVALIDARG;
    const bool wantsSub = (asked & SFGAO_HASSUBFOLDER) != 0;
    ULONG found = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
    switch (item.Special()) {
        case SpecialFolder::Home:
            if (asked & SFGAO_VALIDATE) {
                struct stat st;
                if (stat(Roots()->home.c_str(), &st) != 0)
                    return ResultFromErrno(errno);
            }
            found |= SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANLINK;
            if (wantsSub && DirectoryHasSubfolder(Roots()->home, false))
                found |= SFGAO_HASSUBFOLDER;
            break;
        case SpecialFolder::Computer:
            found |= SFGAO_HASSUBFOLDER;  // "/" is always there
            break;
        case SpecialFolder::Network:
            if (wantsSub &&
                !ComPtr<CVolumeListFolder>::Make(Roots(), CVolumeListFolder::Which::Network)
                     ->Volumes()
                     .empty()) {
                found |= SFGAO_HASSUBFOLDER;
            }
            break;
        case SpecialFolder::Trash:
            if (wantsSub && DirectoryHasSubfolder(Roots()->trashFiles, false)) {
                found |= SFGAO_HASSUBFOLDER;
            }
            break;
    }
    *attributes = found;
    return S_OK;
}

HRESULT CDesktopFolder::ChildName(const ShellItem& item, DWORD shgdn, std::string* name) {
    if (item.kind == ItemKind::Entry)
        return m_files->ChildName(item, shgdn, name);
    if (item.kind != ItemKind::Special)
        return E_INVALIDARG;
    const SpecialName& special = NameOf(item.Special());
    name->assign((shgdn & SHGDN_FORPARSING) ? special.parsing : special.shown);
    return S_OK;
}

void CDesktopFolder::OwnName(DWORD shgdn, std::string* name) {
    m_files->OwnName(shgdn, name);
}

HRESULT CDesktopFolder::ParseItems(std::string_view name, std::string* items) {
    if (!name.empty() && name.front() == '/') {
        AppendItemBytes(*items, ItemKind::Special, static_cast<BYTE>(SpecialFolder::Computer), {});
        return SpecialFolder(SpecialFolder::Computer)->ParseItems(name, items);
    }
    if (name.substr(0, 2) != "::")
        return m_files->ParseItems(name, items);
    const std::size_t slash = name.find('/');
    const std::string_view head = name.substr(0, slash);
    for (const auto& special : kSpecials) {
        if (head != special.parsing)
            continue;
        AppendItemBytes(*items, ItemKind::Special, static_cast<BYTE>(special.which), {});
        if (slash == std::string_view::npos || slash + 1 == name.size())
            return S_OK;
        const bool volumes =
            special.which == SpecialFolder::Computer || special.which == SpecialFolder::Network;
        // Computer and Network take the absolute path that follows; Home and
        // Trash a name inside them.
        const std::string_view rest = name.substr(volumes ? slash : slash + 1);
        return SpecialFolder(special.which)->ParseItems(rest, items);
    }
    return E_FILE_NOT_FOUND;
}

}  // namespace zb
