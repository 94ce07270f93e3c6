#include "app/OptionDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include "app/engine/OptionChanges.h"
#include "ui/HoverButton.h"
#include "ui/IconResources.h"
#include "ui/ResourceText.h"

namespace {

constexpr std::int32_t kMinSearchResultLimit = 1000;
constexpr std::int32_t kMaxSearchResultLimit = 10000000;
constexpr std::int32_t kMinRecentSearchLimit = 0;
constexpr std::int32_t kMaxRecentSearchLimit = 100;

CHoverButton* MakeButton(const QString& text, int id, int iconId, QWidget* parent) {
    auto* button = new CHoverButton(text, parent);
    button->setObjectName(QString::number(id));
    button->SetIcon(iconId);
    button->SetBtnCursor(IDC_HAND_CURSOR);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

COptionDlg::COptionDlg(QWidget* parent) : CHelpDialog(IDD_OPTION, parent) {
    SetHelpPage(QString::fromLatin1(kOptionHelpPage));
    setWindowTitle(QStringLiteral("Option"));

    m_searchResultLimit = new QLineEdit(this);
    m_searchResultLimit->setObjectName(QString::number(IDC_SEARCH_RESULT_LIMIT));
    m_recentSearchLimit = new QLineEdit(this);
    m_recentSearchLimit->setObjectName(QString::number(IDC_RECENT_SEARCH_LIMIT));
    m_checkNewerVersion =
        new QCheckBox(QStringLiteral("Check for newer versions of Zembrolt at startup"), this);
    m_checkNewerVersion->setObjectName(QString::number(IDC_CHECK_NEWER_VERSION));
    m_thumbnailSize = new QComboBox(this);
    m_thumbnailSize->setObjectName(QString::number(IDC_THUMBNAIL_SIZE));
    for (int i = 0; i < kThumbnailSizeCount; ++i) {
        const int size = ThumbnailSizeOfIndex(i);
        m_thumbnailSize->addItem(QStringLiteral("%1 x %1 pixels").arg(size));
    }
    m_sizeInBytes = new QCheckBox(QStringLiteral("Display file size in the unit of Bytes"), this);
    m_sizeInBytes->setObjectName(QString::number(IDC_SIZE_IN_BYTES));
    m_hotKey = new QComboBox(this);
    m_hotKey->setObjectName(QString::number(IDC_HOT_KEY));

    auto* fields = new QGridLayout;
    const auto addRow = [&](const char* label, QWidget* control) {
        const int row = fields->rowCount();
        auto* text = new QLabel(QString::fromLatin1(label), this);
        text->setBuddy(control);
        fields->addWidget(text, row, 0);
        fields->addWidget(control, row, 1);
    };
    addRow("Search Result Max Limit :", m_searchResultLimit);
    addRow("Recent Search List Contains:", m_recentSearchLimit);
    fields->addWidget(m_checkNewerVersion, fields->rowCount(), 0, 1, 2);
    addRow("Max Thumbnails Size:", m_thumbnailSize);
    fields->addWidget(m_sizeInBytes, fields->rowCount(), 0, 1, 2);
    addRow("Hot Key:", m_hotKey);
    fields->setColumnStretch(1, 1);

    CHoverButton* ok = MakeButton(QStringLiteral("OK"), 1, IDI_OK, this);
    ok->setDefault(true);
    CHoverButton* cancel = MakeButton(QStringLiteral("Cancel"), 2, IDI_CANCEL, this);
    connect(ok, &QPushButton::clicked, this, &COptionDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(buttons);
}

int COptionDlg::exec() {
    OnInitDialog();
    return CHelpDialog::exec();
}

void COptionDlg::OnInitDialog() {
    m_iThumbnailSizeIndex = ThumbnailSizeIndex(m_nThumbnailWidth);
    m_hotKey->clear();
    m_hotKey->addItem(ResourceText(IDS_HOT_KEY_DISABLED));
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        m_hotKey->addItem(QStringLiteral("Win + ") + QLatin1Char(letter));
    m_hotKey->setCurrentIndex(HotKeyEntryOfLetter(m_cHotKey));

    m_searchResultLimit->setText(QString::number(m_nSearchResultLimit));
    m_recentSearchLimit->setText(QString::number(m_nRecentSearchLimit));
    m_checkNewerVersion->setChecked(m_bCheckNewerVersion != FALSE);
    m_thumbnailSize->setCurrentIndex(m_iThumbnailSizeIndex);
    m_sizeInBytes->setChecked(m_bSizeInBytes != FALSE);
}

void COptionDlg::OnOK() {
    m_cHotKey = HotKeyLetterOfEntry(m_hotKey->currentIndex());
    std::int32_t searchResultLimit = 0;
    std::int32_t recentSearchLimit = 0;
    if (!ReadInteger(m_searchResultLimit, kMinSearchResultLimit, kMaxSearchResultLimit,
                     searchResultLimit) ||
        !ReadInteger(m_recentSearchLimit, kMinRecentSearchLimit, kMaxRecentSearchLimit,
                     recentSearchLimit))
        return;
    m_nSearchResultLimit = searchResultLimit;
    m_nRecentSearchLimit = recentSearchLimit;
    m_bCheckNewerVersion = m_checkNewerVersion->isChecked() ? TRUE : FALSE;
    m_iThumbnailSizeIndex = m_thumbnailSize->currentIndex();
    m_bSizeInBytes = m_sizeInBytes->isChecked() ? TRUE : FALSE;
    m_nThumbnailWidth = ThumbnailSizeOfIndex(m_iThumbnailSizeIndex);
    m_nThumbnailHeight = m_nThumbnailWidth;
    accept();
}

bool COptionDlg::ReadInteger(QLineEdit* edit, std::int32_t minimum, std::int32_t maximum,
                             std::int32_t& value) {
    bool isNumber = false;
    const qlonglong number = edit->text().trimmed().toLongLong(&isNumber);
    if (isNumber && number >= minimum && number <= maximum) {
        value = static_cast<std::int32_t>(number);
        return true;
    }
    ShowMessage(
        isNumber
            ? QStringLiteral("Please enter an integer between %1 and %2.").arg(minimum).arg(maximum)
            : QStringLiteral("Please enter an integer."));
    edit->setFocus();
    edit->selectAll();
    return false;
}

void COptionDlg::ShowMessage(const QString& text) {
    QMessageBox::warning(this, ResourceText(IDS_PROGRAM_NAME), text);
}
