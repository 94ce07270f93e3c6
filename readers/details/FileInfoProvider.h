#pragma once
// The base of every detail provider: a small reader for one kind of file that
// delivers the values of a few detail columns. Providers are found by the
// extension of a record's name; one is used for one file at a time in the
// cycle Load, then HasColumn and GetValue per visible detail column, then
// Reset. A provider is enabled only while it owns a visible column; a
// disabled one is never asked to load a file.
//
// A new provider derives from this class (or from CFixedColumnProvider when
// its columns are a fixed list of table ids), fills its extensions in
// InitExtensions, sets the state to PROVIDER_STATE_LOADING at the start of
// Load and to PROVIDER_STATE_LOADED when its values are valid, and is added
// to the registry's table (ProviderRegistry.cpp) at its place in the order.

#include <string>
#include <vector>

#include "platform/WinTypes.h"
#include "readers/details/ColumnInfo.h"
#include "readers/details/ProviderItem.h"

// Provider states.
constexpr int PROVIDER_STATE_NONE = 0;
constexpr int PROVIDER_STATE_LOADING = 1;
constexpr int PROVIDER_STATE_LOADED = 2;

class CFileInfoProvider {
public:
    CFileInfoProvider() = default;
    virtual ~CFileInfoProvider() = default;
    CFileInfoProvider(const CFileInfoProvider&) = delete;
    CFileInfoProvider& operator=(const CFileInfoProvider&) = delete;

    // Forgets the loaded file; the base does nothing else and returns 1.
    virtual BOOL Reset();
    // Fills the extension list (lower case, without the dot).
    virtual BOOL InitExtensions() = 0;
    // The number of columns the provider delivers.
    virtual int GetColumnCount() const = 0;
    // Copies the table row of a column id; nonzero when the id exists.
    virtual BOOL GetColumnById(int id, COLUMNINFO* info) const = 0;
    // The same by the provider's own column index 0..count-1.
    virtual BOOL GetColumnByIndex(int index, COLUMNINFO* info) const = 0;
    // Reads the file or archive member `item` names; nonzero when values are
    // available.
    virtual BOOL Load(const CProviderItem& item) = 0;
    // Writes the loaded value of one column; nonzero when it delivered one.
    virtual BOOL GetValue(int id, COLUMNVALUE* value) = 0;
    // Nonzero when the provider delivers this column id.
    virtual BOOL HasColumn(int id) const = 0;

    // 1 when the extension of `path` is one of the provider's.
    BOOL IsSupported(const std::string& path) const;

    BOOL IsEnabled() const { return m_bEnabled; }
    void SetEnabled(BOOL enabled) { m_bEnabled = enabled; }
    const std::vector<std::string>& GetExtensions() const { return m_arrExtensions; }
    int GetState() const { return m_nState; }

protected:
    std::vector<std::string> m_arrExtensions;
    int m_nState = PROVIDER_STATE_NONE;

private:
    BOOL m_bEnabled = FALSE;
};
