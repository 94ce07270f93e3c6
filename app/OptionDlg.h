#pragma once
// "Option": edits the program options, the search-result limit, the recent
// search limit, the update check at start, the thumbnail size, sizes in bytes
// and the hot-key letter. The "Option" command copies the options into the
// fields, runs the dialog, and after OK applies the fields (OptionCommand).

#include <cstdint>

#include "platform/WinTypes.h"
#include "ui/HelpDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

constexpr int IDD_OPTION = 123;
constexpr int IDC_SEARCH_RESULT_LIMIT = 1031;
constexpr int IDC_RECENT_SEARCH_LIMIT = 1032;
constexpr int IDC_CHECK_NEWER_VERSION = 1053;
constexpr int IDC_THUMBNAIL_SIZE = 1056;
constexpr int IDC_SIZE_IN_BYTES = 1072;
constexpr int IDC_HOT_KEY = 1081;
constexpr const char* kOptionHelpPage = "opentiondlg.htm";

class COptionDlg : public CHelpDialog {
    Q_OBJECT
public:
    explicit COptionDlg(QWidget* parent = nullptr);

    // Shows the fields (OnInitDialog), then runs the dialog.
    int exec() override;
    // Puts the fields into the controls: the thumbnail width selects its
    // size, the letter its hot-key entry (a letter other than A to Z becomes F).
    void OnInitDialog();
    // Reads the controls into the fields and closes the dialog; a limit
    // outside its range shows the range message and keeps it open.
    void OnOK();

    QLineEdit* SearchResultLimitEdit() const { return m_searchResultLimit; }
    QLineEdit* RecentSearchLimitEdit() const { return m_recentSearchLimit; }
    QCheckBox* CheckNewerVersionBox() const { return m_checkNewerVersion; }
    QComboBox* ThumbnailSizeList() const { return m_thumbnailSize; }
    QCheckBox* SizeInBytesBox() const { return m_sizeInBytes; }
    QComboBox* HotKeyList() const { return m_hotKey; }

    std::int32_t m_nSearchResultLimit = 0;
    std::int32_t m_nRecentSearchLimit = 0;
    BOOL m_bCheckNewerVersion = FALSE;
    int m_iThumbnailSizeIndex = -1;
    BOOL m_bSizeInBytes = FALSE;
    std::int32_t m_nThumbnailWidth = 64;
    std::int32_t m_nThumbnailHeight = 64;
    BYTE m_cHotKey = 0;

protected:
    // Shows a message box; tests replace it.
    virtual void ShowMessage(const QString& text);

private:
    // Reads an integer of [minimum, maximum] from `edit`; false (after the
    // message, with the focus on the edit) when it holds none.
    bool ReadInteger(QLineEdit* edit, std::int32_t minimum, std::int32_t maximum,
                     std::int32_t& value);

    QLineEdit* m_searchResultLimit = nullptr;
    QLineEdit* m_recentSearchLimit = nullptr;
    QCheckBox* m_checkNewerVersion = nullptr;
    QComboBox* m_thumbnailSize = nullptr;
    QCheckBox* m_sizeInBytes = nullptr;
    QComboBox* m_hotKey = nullptr;
};
