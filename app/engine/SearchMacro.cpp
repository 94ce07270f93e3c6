#include "app/engine/SearchMacro.h"

CSearchMacro::CSearchMacro() {
    m_SearchData.Reset();
}

void CSearchMacro::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_sName;
    else
        ar >> m_sName;
    m_HotKey.Serialize(ar);
    m_SearchData.Serialize(ar);
}

std::string MacroMenuText(const CSearchMacro& macro) {
    if (macro.m_HotKey.IsEmpty())
        return macro.m_sName;
    return macro.m_sName + '\t' + macro.m_HotKey.GetText();
}
