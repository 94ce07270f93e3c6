#include "tools/ClipboardFormats.h"

#include "platform/ClipboardFormat.h"
#include "platform/shell/ItemIdList.h"

CClipFormatTable::CClipFormatTable() {
    m_formats[CLIPFMT_TEXT] = CF_TEXT;
    m_formats[CLIPFMT_HDROP] = CF_HDROP;
    m_formats[CLIPFMT_RIGHTMENU] = RegisterClipboardFormat(kRightMenuFormatName);
    m_formats[CLIPFMT_SHELLIDLIST] = RegisterClipboardFormat(kShellIdListFormatName);
    m_formats[CLIPFMT_PREFERREDDROPEFFECT] =
        RegisterClipboardFormat(kPreferredDropEffectFormatName);
}

UINT CClipFormatTable::GetFormat(int index) const {
    return index >= 0 && index < 10 ? m_formats[index] : 0;
}

CClipFormatTable& GetClipFormatTable() {
    static CClipFormatTable table;
    return table;
}

void CCF_String::Serialize(CArchive& ar) const {
    ar.Write(m_sText.data(), m_sText.size());
    ar << std::uint32_t{0};
}

void CCF_HDROP::Reset() {
    m_arrPaths.clear();
    SetDropPoint(0, 0, FALSE);
}

void CCF_HDROP::Serialize(CArchive& ar) const {
    ar << std::uint32_t{20} << m_x << m_y << m_bNonClient << std::uint32_t{0};
    for (const std::string& path : m_arrPaths)
        ar.Write(path.c_str(), path.size() + 1);
    ar << std::uint8_t{0};
}

LPCITEMIDLIST CCF_ShellIDList::GetPidl(int index) const {
    return index >= 0 && index < GetCount() ? m_arrLists[static_cast<std::size_t>(index)] : nullptr;
}

void CCF_ShellIDList::Serialize(CArchive& ar) const {
    const std::size_t count = m_arrLists.size();
    if (count < 2)
        return;
    ar << static_cast<std::uint32_t>(count - 1);
    std::uint32_t offset = static_cast<std::uint32_t>(8 + 4 * count);
    for (LPCITEMIDLIST list : m_arrLists) {
        ar << offset;
        offset += static_cast<std::uint32_t>(ILGetSize(list));
    }
    ar << std::uint32_t{0};
    for (LPCITEMIDLIST list : m_arrLists)
        ar.Write(list, ILGetSize(list));
}

void CCF_RightMenu::Serialize(CArchive& ar) const {
    ar << static_cast<std::uint32_t>(m_bFlag ? 1 : 0);
}

void CCF_PreferredDropEffect::Serialize(CArchive& ar) const {
    ar << m_dwEffect;
}

std::vector<std::uint8_t> SerializeClipObject(const CCF_Object& object) {
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes);
    object.Serialize(ar);
    return bytes;
}
