#pragma once
// A saved search: its name, an optional hot key and the criteria. Stored in
// the data file without a class tag: the name as a string, the hot key's two
// words, then the criteria.

#include <string>

#include "app/engine/HotKeyValue.h"
#include "app/engine/SearchData.h"
#include "platform/Archive.h"

class CSearchMacro {
public:
    // An empty name, no hot key and reset criteria.
    CSearchMacro();
    virtual ~CSearchMacro() = default;
    CSearchMacro(const CSearchMacro&) = default;
    CSearchMacro& operator=(const CSearchMacro&) = default;
    friend bool operator==(const CSearchMacro&, const CSearchMacro&) = default;

    void Serialize(CArchive& ar);

    std::string m_sName;
    CHotKeyValue m_HotKey;
    CSearchData m_SearchData;
};

// The macro's item in the Macro menu: its name, and after a tab the hot
// key's text when it has one.
std::string MacroMenuText(const CSearchMacro& macro);
