#include "app/SavedSearches.h"

#include <algorithm>
#include <utility>

#include "app/MacroEditDlg.h"
#include "app/MacroListDlg.h"
#include "app/MainMenu.h"
#include "app/engine/RecentSearches.h"
#include "ui/VirtualKeyMap.h"

CSavedSearches::CSavedSearches(QWidget* window, CMainMenu* menu, const CAdvancedOptions& options,
                               std::vector<CSearchData>& recent, std::vector<CSearchMacro>& macros)
    : QObject(window),
      m_pWindow(window),
      m_pMenu(menu),
      m_options(options),
      m_recent(recent),
      m_macros(macros) {
    m_runMacroEdit = [this](std::string& name, CHotKeyValue& hotKey) {
        CMacroEditDlg dialog(name, hotKey, m_pWindow);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        name = dialog.GetName();
        hotKey = dialog.GetHotKey();
        return true;
    };
    m_runMacroList = [this](std::vector<CSearchMacro>& edited) {
        CMacroListDlg dialog(edited, m_pWindow);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        edited = dialog.TakeMacros();
        return true;
    };
}

void CSavedSearches::SetSearchForm(std::function<CSearchData()> current,
                                   std::function<void(const CSearchData&)> find) {
    m_currentSearch = std::move(current);
    m_find = std::move(find);
}

// ------------------------------------------------------- recent searches

void CSavedSearches::AddRecentSearch() {
    ::AddRecentSearch(m_recent, m_currentSearch(), m_options.m_nRecentSearchLimit);
    BuildRecentMenu();
}

void CSavedSearches::BuildRecentMenu() {
    const std::size_t shown = std::min(m_recent.size(), kMaxMenuListItems);
    std::vector<std::pair<int, std::string>> items;
    for (std::size_t i = shown; i-- > 0;)
        items.emplace_back(ID_RECENT_SEARCH_FIRST + static_cast<int>(i),
                           RecentSearchMenuText(m_recent[i]));
    m_pMenu->SetListItems(CMainMenu::MenuList::RecentSearches, items);
}

void CSavedSearches::OnRecentSearch(int id) {
    const std::size_t index = static_cast<std::size_t>(id - ID_RECENT_SEARCH_FIRST);
    if (id < ID_RECENT_SEARCH_FIRST || index >= m_recent.size())
        return;
    // A copy: the search is added again as the newest, which moves it.
    const CSearchData search = m_recent[index];
    m_find(search);
}

void CSavedSearches::ClearRecentSearches() {
    m_recent.clear();
    BuildRecentMenu();
}

// ------------------------------------------------------------------ macros

void CSavedSearches::OnSaveMacro() {
    std::string name;
    CHotKeyValue hotKey;
    if (!m_runMacroEdit(name, hotKey))
        return;
    CSearchMacro macro;
    macro.m_sName = name;
    macro.m_HotKey = hotKey;
    macro.m_SearchData = m_currentSearch();
    m_macros.push_back(std::move(macro));
    BuildMacroMenu();
}

void CSavedSearches::OnMacroList() {
    std::vector<CSearchMacro> macros = m_macros;
    if (!m_runMacroList(macros))
        return;
    m_macros = std::move(macros);
    BuildMacroMenu();
}

void CSavedSearches::BuildMacroMenu() {
    m_macroAccelerators.clear();
    // Macros beyond the command ids have no item and no hot key.
    const std::size_t shown = std::min(m_macros.size(), kMaxMenuListItems);
    std::vector<std::pair<int, std::string>> items;
    for (std::size_t i = 0; i < shown; ++i) {
        const int id = ID_MACRO_FIRST + static_cast<int>(i);
        items.emplace_back(id, MacroMenuText(m_macros[i]));
        const CHotKeyValue& hotKey = m_macros[i].m_HotKey;
        if (!hotKey.IsEmpty())
            m_macroAccelerators.push_back({HotKeyToAccelFlags(hotKey.m_wModifiers),
                                           hotKey.m_wVirtualKey, static_cast<WORD>(id)});
    }
    m_pMenu->SetListItems(CMainMenu::MenuList::Macros, items);
}

void CSavedSearches::OnMacro(int id) {
    const std::size_t index = static_cast<std::size_t>(id - ID_MACRO_FIRST);
    if (id < ID_MACRO_FIRST || index >= m_macros.size())
        return;
    m_find(m_macros[index].m_SearchData);
}

int CSavedSearches::MacroCommandForKey(int key, Qt::KeyboardModifiers modifiers) const {
    if (m_macroAccelerators.empty())
        return 0;
    const WORD code = VirtualKeyFromQtKey(key, modifiers);
    if (code == 0)
        return 0;
    return TranslateAccelerator(m_macroAccelerators, code, HotKeyFlagsFromQt(modifiers));
}
