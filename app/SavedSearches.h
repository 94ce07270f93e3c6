#pragma once
// The searches kept for later. Every Find is remembered as a recent search,
// listed newest first in the Recent Search menu and searched again when
// chosen; a macro is a search saved under a name with an optional hot key,
// listed in the Macro menu and run by its item or its key. Both lists are
// the data file's.

#include <QObject>
#include <Qt>

#include <functional>
#include <string>
#include <vector>

#include "app/engine/AdvancedOptions.h"
#include "app/engine/HotKeyValue.h"
#include "app/engine/SearchData.h"
#include "app/engine/SearchMacro.h"

class CMainMenu;
class QWidget;

class CSavedSearches : public QObject {
    Q_OBJECT
public:
    // `recent` (oldest first) and `macros` are the data file's lists, shown
    // in `menu`; `options` gives the recent list's limit. All must outlive
    // the object, which owns the dialogs it runs over `window`.
    CSavedSearches(QWidget* window, CMainMenu* menu, const CAdvancedOptions& options,
                   std::vector<CSearchData>& recent, std::vector<CSearchMacro>& macros);

    // The window's search as it stands, and how a kept one is shown in the
    // window and searched.
    void SetSearchForm(std::function<CSearchData()> current,
                       std::function<void(const CSearchData&)> find);
    // The macro dialogs: each is true after OK with what it edited (tests
    // answer in their place).
    void SetMacroEditDialog(std::function<bool(std::string& name, CHotKeyValue& hotKey)> run) {
        m_runMacroEdit = std::move(run);
    }
    void SetMacroListDialog(std::function<bool(std::vector<CSearchMacro>& macros)> run) {
        m_runMacroList = std::move(run);
    }

    // Remembers the window's search as the newest recent search.
    void AddRecentSearch();
    // Lists the recent searches in the Recent Search menu, newest first.
    void BuildRecentMenu();
    // Recent search `id` - 35000 into the window, and searched again.
    void OnRecentSearch(int id);
    // "Clear Recent Search List".
    void ClearRecentSearches();
    // "Save Current Search As Macro": the window's search under a name and
    // an optional hot key.
    void OnSaveMacro();
    // "Macro List": the macros edited on a copy, taken after OK.
    void OnMacroList();
    // Lists the macros in the Macro menu and makes their hot keys run them.
    void BuildMacroMenu();
    // Macro `id` - 36000 into the window, and searched.
    void OnMacro(int id);
    // The command of the macro whose hot key is `key` with `modifiers`; 0
    // when no macro has it.
    int MacroCommandForKey(int key, Qt::KeyboardModifiers modifiers) const;

private:
    QWidget* m_pWindow;
    CMainMenu* m_pMenu;
    const CAdvancedOptions& m_options;
    std::vector<CSearchData>& m_recent;
    std::vector<CSearchMacro>& m_macros;
    std::vector<ACCEL> m_macroAccelerators;  // the macros' hot keys
    std::function<CSearchData()> m_currentSearch;
    std::function<void(const CSearchData&)> m_find;
    std::function<bool(std::string& name, CHotKeyValue& hotKey)> m_runMacroEdit;
    std::function<bool(std::vector<CSearchMacro>& macros)> m_runMacroList;
};
