#include "app/ExportDialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>

#include <array>

namespace {

struct ExportFilter {
    ExportType type;
    const char* text;     // as the type box shows it
    const char* pattern;  // the names it lists
    const char* suffix;   // added to a name typed without an extension
};

constexpr std::array<ExportFilter, 4> kFilters{{
    {ExportType::Text, "Text File(*.txt)", "*.txt", "txt"},
    {ExportType::Html, "Html File(*.htm;*.html)", "*.htm *.html", "htm"},
    {ExportType::Pls, "PLS Playlist(*.pls)", "*.pls", "pls"},
    {ExportType::M3u, "M3U Playlist(*.m3u)", "*.m3u", "m3u"},
}};

// The type box shows the text before the last parenthesis: the text, then
// the patterns the dialog reads.
QString FilterString(const ExportFilter& filter) {
    return QStringLiteral("%1 (%2)").arg(QLatin1String(filter.text), QLatin1String(filter.pattern));
}

}  // namespace

CExportDialog::CExportDialog(QWidget* parent) : QFileDialog(parent) {
    setObjectName(QStringLiteral("IDD_EXPORT"));
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::HideNameFilterDetails);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const ExportFilter& filter : kFilters)
        filters << FilterString(filter);
    setNameFilters(filters);
    connect(this, &QFileDialog::filterSelected, this,
            [this](const QString& filter) { SetType(TypeOfFilter(filter)); });

    // The range choice below the standard controls, as wide as they are.
    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("IDC_EXPORT_SEPARATOR"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    auto* range = new QGroupBox(QStringLiteral("Export Range"), this);
    range->setObjectName(QStringLiteral("IDD_EXPORT_RANGE"));
    m_pAll = new QRadioButton(QStringLiteral("All"), range);
    m_pAll->setObjectName(QStringLiteral("IDC_EXPORT_ALL"));
    m_pSelected = new QRadioButton(QStringLiteral("Only selected"), range);
    m_pSelected->setObjectName(QStringLiteral("IDC_EXPORT_SELECTED"));
    m_pAll->setChecked(true);
    auto* buttons = new QHBoxLayout(range);
    buttons->addWidget(m_pAll);
    buttons->addWidget(m_pSelected);
    buttons->addStretch(1);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        grid->addWidget(separator, row, 0, 1, grid->columnCount());
        grid->addWidget(range, row + 1, 0, 1, grid->columnCount());
    }
    SetType(ExportType::Pls);
}

void CExportDialog::SetType(ExportType type) {
    for (const ExportFilter& filter : kFilters) {
        if (filter.type != type)
            continue;
        selectNameFilter(FilterString(filter));
        setDefaultSuffix(QLatin1String(filter.suffix));
    }
}

ExportType CExportDialog::TypeOfFilter(const QString& text) const {
    // The dialog names a filter by its whole string or by the text it shows.
    for (const ExportFilter& filter : kFilters) {
        if (FilterString(filter) == text || QLatin1String(filter.text) == text)
            return filter.type;
    }
    return ExportType::Text;
}

void CExportDialog::accept() {
    m_bOnlySelected = m_pSelected->isChecked();
    m_type = TypeOfFilter(selectedNameFilter());
    QFileDialog::accept();
}
