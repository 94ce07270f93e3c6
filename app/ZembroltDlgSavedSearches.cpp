// The main window's searches that are kept or repeated: the recent searches,
// the macros with their hot keys, and the multi-folder search.

#include <algorithm>
#include <utility>

#include "app/MacroEditDlg.h"
#include "app/MacroListDlg.h"
#include "app/MultiFolderDlg.h"
#include "app/ZembroltDlg.h"
#include "app/engine/RecentSearches.h"
#include "ui/VirtualKeyMap.h"

// ------------------------------------------------------- recent searches

void CZembroltDlg::AddRecentSearch() {
    CSearchData search;
    search.Reset();
    SaveSearch(search);
    ::AddRecentSearch(m_data.m_RecentSearches, search, m_AdvancedOptions.m_nRecentSearchLimit);
    BuildRecentMenu();
}

void CZembroltDlg::BuildRecentMenu() {
    const std::vector<CSearchData>& searches = m_data.m_RecentSearches;
    const std::size_t shown = std::min(searches.size(), kMaxMenuListItems);
    std::vector<std::pair<int, std::string>> items;
    for (std::size_t i = shown; i-- > 0;)
        items.emplace_back(ID_RECENT_SEARCH_FIRST + static_cast<int>(i),
                           RecentSearchMenuText(searches[i]));
    m_pMenu->SetListItems(CMainMenu::MenuList::RecentSearches, items);
}

void CZembroltDlg::OnRecentSearch(int id) {
    const std::size_t index = static_cast<std::size_t>(id - ID_RECENT_SEARCH_FIRST);
    if (id < ID_RECENT_SEARCH_FIRST || index >= m_data.m_RecentSearches.size())
        return;
    // A copy: the search is added again as the newest, which moves it.
    const CSearchData search = m_data.m_RecentSearches[index];
    LoadSearch(search);
    OnFind();
}

void CZembroltDlg::ClearRecentSearches() {
    m_data.m_RecentSearches.clear();
    BuildRecentMenu();
}

// ------------------------------------------------------------------ macros

void CZembroltDlg::OnSaveMacro() {
    std::string name;
    CHotKeyValue hotKey;
    if (!RunMacroEditDialog(name, hotKey))
        return;
    CSearchMacro macro;
    macro.m_sName = name;
    macro.m_HotKey = hotKey;
    ReadControls();
    SaveSearch(macro.m_SearchData);
    m_data.m_Macros.push_back(std::move(macro));
    BuildMacroMenu();
}

void CZembroltDlg::OnMacroList() {
    std::vector<CSearchMacro> macros = m_data.m_Macros;
    if (!RunMacroListDialog(macros))
        return;
    m_data.m_Macros = std::move(macros);
    BuildMacroMenu();
}

void CZembroltDlg::BuildMacroMenu() {
    m_macroAccelerators.clear();
    const std::vector<CSearchMacro>& macros = m_data.m_Macros;
    // Macros beyond the command ids have no item and no hot key.
    const std::size_t shown = std::min(macros.size(), kMaxMenuListItems);
    std::vector<std::pair<int, std::string>> items;
    for (std::size_t i = 0; i < shown; ++i) {
        const int id = ID_MACRO_FIRST + static_cast<int>(i);
        items.emplace_back(id, MacroMenuText(macros[i]));
        const CHotKeyValue& hotKey = macros[i].m_HotKey;
        if (!hotKey.IsEmpty())
            m_macroAccelerators.push_back({HotKeyToAccelFlags(hotKey.m_wModifiers),
                                           hotKey.m_wVirtualKey, static_cast<WORD>(id)});
    }
    m_pMenu->SetListItems(CMainMenu::MenuList::Macros, items);
}

void CZembroltDlg::OnMacro(int id) {
    const std::size_t index = static_cast<std::size_t>(id - ID_MACRO_FIRST);
    if (id < ID_MACRO_FIRST || index >= m_data.m_Macros.size())
        return;
    LoadSearch(m_data.m_Macros[index].m_SearchData);
    OnFind();
}

int CZembroltDlg::MacroCommandForKey(int key, Qt::KeyboardModifiers modifiers) const {
    if (m_macroAccelerators.empty())
        return 0;
    const WORD code = VirtualKeyFromQtKey(key, modifiers);
    if (code == 0)
        return 0;
    return TranslateAccelerator(m_macroAccelerators, code, HotKeyFlagsFromQt(modifiers));
}

bool CZembroltDlg::RunMacroEditDialog(std::string& name, CHotKeyValue& hotKey) {
    CMacroEditDlg dialog(name, hotKey, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = dialog.GetName();
    hotKey = dialog.GetHotKey();
    return true;
}

bool CZembroltDlg::RunMacroListDialog(std::vector<CSearchMacro>& macros) {
    CMacroListDlg dialog(macros, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    macros = dialog.TakeMacros();
    return true;
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
