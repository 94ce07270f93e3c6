#pragma once
// The formats in which selected results are described to the clipboard and
// to drop targets, and the small objects that write them. Each CCF_ object
// stores its format's exact byte layout through CArchive; the process-wide
// CClipFormatTable numbers the formats by table index.
//
// On the desktop the same content is offered in the conventions that file
// managers read (the MIME types below, made by ClipMimeData).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Archive.h"
#include "platform/shell/ShellTypes.h"

// Standard clipboard formats.
constexpr UINT CF_TEXT = 1;
constexpr UINT CF_HDROP = 15;

// Indexes of the format table.
constexpr int CLIPFMT_TEXT = 0;
constexpr int CLIPFMT_HDROP = 1;
constexpr int CLIPFMT_RIGHTMENU = 6;
constexpr int CLIPFMT_SHELLIDLIST = 8;
constexpr int CLIPFMT_PREFERREDDROPEFFECT = 9;

// Registered format names.
constexpr const char* kRightMenuFormatName = "CF_ZB_RIGHTMENU";
constexpr const char* kShellIdListFormatName = "Shell IDList Array";
constexpr const char* kPreferredDropEffectFormatName = "Preferred DropEffect";

class CClipFormatTable {
public:
    // Registers the named formats.
    CClipFormatTable();
    // The format number of a table index; 0 for an index the table does not use.
    UINT GetFormat(int index) const;

private:
    UINT m_formats[10] = {};
};

// The table, registering the formats on the first call.
CClipFormatTable& GetClipFormatTable();

// A serialisable clipboard content object.
class CCF_Object {
public:
    virtual ~CCF_Object() = default;
    // Stores the format's bytes (loading is never needed).
    virtual void Serialize(CArchive& ar) const = 0;
};

// CF_TEXT: the text's characters, then 4 zero bytes.
class CCF_String : public CCF_Object {
public:
    void Serialize(CArchive& ar) const override;
    const std::string& GetText() const { return m_sText; }
    void SetText(std::string text) { m_sText = std::move(text); }

private:
    std::string m_sText;
};

// CF_HDROP: a DROPFILES block (offset 20, drop point, non-client flag, 0 for
// 8-bit names), each path with its zero byte, a final zero byte.
class CCF_HDROP : public CCF_Object {
public:
    void Serialize(CArchive& ar) const override;
    void AddPath(std::string path) { m_arrPaths.push_back(std::move(path)); }
    const std::vector<std::string>& GetPaths() const { return m_arrPaths; }
    int GetPathCount() const { return static_cast<int>(m_arrPaths.size()); }
    void SetDropPoint(LONG x, LONG y, BOOL nonClient) {
        m_x = x;
        m_y = y;
        m_bNonClient = nonClient;
    }
    // No paths, drop point (0, 0), non-client flag 0.
    void Reset();

private:
    std::vector<std::string> m_arrPaths;
    LONG m_x = 0;
    LONG m_y = 0;
    BOOL m_bNonClient = FALSE;
};

// "Shell IDList Array": the item count, the offsets of the lists, 4 zero
// bytes, then the lists, parent first. Written only with at least the parent
// and one item. The lists are not owned.
class CCF_ShellIDList : public CCF_Object {
public:
    void Serialize(CArchive& ar) const override;
    void AddPidl(LPCITEMIDLIST list) { m_arrLists.push_back(list); }
    // The list at `index`, null past the end.
    LPCITEMIDLIST GetPidl(int index) const;
    int GetCount() const { return static_cast<int>(m_arrLists.size()); }
    void Reset() { m_arrLists.clear(); }

private:
    std::vector<LPCITEMIDLIST> m_arrLists;
};

// "CF_ZB_RIGHTMENU": one 32-bit flag.
class CCF_RightMenu : public CCF_Object {
public:
    void Serialize(CArchive& ar) const override;
    BOOL GetFlag() const { return m_bFlag; }
    void SetFlag(BOOL flag) { m_bFlag = flag; }

private:
    BOOL m_bFlag = FALSE;
};

// "Preferred DropEffect": one 32-bit effect (1 copy, 2 move).
class CCF_PreferredDropEffect : public CCF_Object {
public:
    explicit CCF_PreferredDropEffect(DWORD effect = 0) : m_dwEffect(effect) {}
    void Serialize(CArchive& ar) const override;
    DWORD GetEffect() const { return m_dwEffect; }

private:
    DWORD m_dwEffect;
};

// The object's bytes.
std::vector<std::uint8_t> SerializeClipObject(const CCF_Object& object);
