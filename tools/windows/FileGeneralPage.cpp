#include "tools/windows/FileGeneralPage.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPointer>

namespace {

QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString TimeText(std::int64_t seconds) {
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(seconds), QLocale::LongFormat);
}

QString SizeText(std::uint64_t bytes) {
    const QLocale locale;
    const QString exact =
        locale.toString(static_cast<qulonglong>(bytes)) + QStringLiteral(" bytes");
    if (bytes < 1024)
        return exact;
    return locale.formattedDataSize(static_cast<qint64>(bytes), 1,
                                    QLocale::DataSizeTraditionalFormat) +
           QStringLiteral(" (") + exact + QStringLiteral(")");
}

}  // namespace

CFileGeneralPage::CFileGeneralPage(std::vector<std::string> paths, QWidget* parent)
    : QWidget(parent), m_paths(std::move(paths)) {
    setWindowTitle(QStringLiteral("General"));
    m_pForm = new QFormLayout(this);
    // Items gone meanwhile leave the page: the paths kept match the items.
    std::vector<CItemProperties> items;
    std::vector<std::string> existing;
    for (std::string& path : m_paths) {
        CItemProperties item;
        if (ReadItemProperties(path, &item)) {
            items.push_back(std::move(item));
            existing.push_back(std::move(path));
        }
    }
    m_paths = std::move(existing);
    if (items.empty()) {
        AddRow(QStringLiteral("Name:"), QStringLiteral("The items no longer exist."));
        return;
    }
    const QMimeDatabase mimes;
    std::vector<std::string> folders;
    std::uint64_t fileBytes = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].isFolder)
            folders.push_back(m_paths[i]);
        else
            fileBytes += items[i].size;
    }
    const CItemProperties& first = items.front();
    if (items.size() == 1) {
        AddRow(QStringLiteral("Name:"), PathText(first.name));
        const QString type = first.isLink
                                 ? QStringLiteral("Link")
                                 : mimes.mimeTypeForFile(PathText(m_paths.front())).comment();
        AddRow(QStringLiteral("Type:"), type);
    } else {
        AddRow(QStringLiteral("Name:"),
               QStringLiteral("%1 items").arg(static_cast<qulonglong>(items.size())));
    }
    const bool oneFolder =
        std::all_of(items.begin(), items.end(),
                    [&](const CItemProperties& item) { return item.folder == first.folder; });
    AddRow(QStringLiteral("Location:"),
           oneFolder ? PathText(first.folder) : QStringLiteral("Various"));
    AddRow(QStringLiteral("Size:"), SizeText(fileBytes));
    m_pSize = qobject_cast<QLabel*>(
        m_pForm->itemAt(m_pForm->rowCount() - 1, QFormLayout::FieldRole)->widget());
    if (!folders.empty()) {
        AddRow(QStringLiteral("Contains:"), QStringLiteral("Counting..."));
        m_pContains = qobject_cast<QLabel*>(
            m_pForm->itemAt(m_pForm->rowCount() - 1, QFormLayout::FieldRole)->widget());
        StartFolderSum(std::move(folders), fileBytes);
    }
    if (items.size() != 1)
        return;
    if (first.isLink)
        AddRow(QStringLiteral("Link target:"), PathText(first.linkTarget));
    AddRow(QStringLiteral("Created:"),
           first.hasBirthTime ? TimeText(first.birthTime) : QStringLiteral("unknown"));
    AddRow(QStringLiteral("Modified:"), TimeText(first.modifiedTime));
    AddRow(QStringLiteral("Accessed:"), TimeText(first.accessedTime));
    AddRow(QStringLiteral("Changed:"), TimeText(first.changedTime));
    AddRow(QStringLiteral("Owner:"), QString::fromStdString(first.owner));
    AddRow(QStringLiteral("Group:"), QString::fromStdString(first.group));
    AddRow(QStringLiteral("Permissions:"), QString::fromStdString(PermissionText(first.mode)));
    auto* attributes = new QWidget(this);
    auto* row = new QHBoxLayout(attributes);
    row->setContentsMargins(0, 0, 0, 0);
    struct AttributeBox {
        DWORD bit;
        const char* text;
    };
    for (const AttributeBox& box : {AttributeBox{FILE_ATTRIBUTE_READONLY, "Read-only"},
                                    AttributeBox{FILE_ATTRIBUTE_HIDDEN, "Hidden"},
                                    AttributeBox{FILE_ATTRIBUTE_SYSTEM, "System"},
                                    AttributeBox{FILE_ATTRIBUTE_ARCHIVE, "Archive"}}) {
        auto* check = new QCheckBox(QString::fromLatin1(box.text), attributes);
        check->setChecked((first.attributes & box.bit) != 0);
        check->setEnabled(false);
        row->addWidget(check);
    }
    m_pForm->addRow(QStringLiteral("Attributes:"), attributes);
}

CFileGeneralPage::~CFileGeneralPage() {
    m_bStop = true;
    if (m_worker.joinable())
        m_worker.join();
}

void CFileGeneralPage::AddRow(const QString& caption, const QString& value) {
    auto* label = new QLabel(value, this);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setTextFormat(Qt::PlainText);
    m_pForm->addRow(caption, label);
}

QString CFileGeneralPage::GetValue(const QString& caption) const {
    for (int row = 0; row < m_pForm->rowCount(); ++row) {
        const QLayoutItem* name = m_pForm->itemAt(row, QFormLayout::LabelRole);
        const QLayoutItem* value = m_pForm->itemAt(row, QFormLayout::FieldRole);
        const auto* nameLabel = name ? qobject_cast<const QLabel*>(name->widget()) : nullptr;
        const auto* valueLabel = value ? qobject_cast<const QLabel*>(value->widget()) : nullptr;
        if (nameLabel && valueLabel && nameLabel->text() == caption)
            return valueLabel->text();
    }
    return QString();
}

void CFileGeneralPage::StartFolderSum(std::vector<std::string> folders, std::uint64_t fileBytes) {
    m_bSizeFinal = false;
    QPointer<CFileGeneralPage> page(this);
    m_worker = std::thread([this, page, folders = std::move(folders), fileBytes] {
        CFolderTotals all;
        all.bytes = fileBytes;
        for (const std::string& folder : folders) {
            const CFolderTotals one = SumFolderContents(folder, m_bStop);
            all.bytes += one.bytes;
            all.files += one.files;
            all.folders += one.folders;
            all.complete = all.complete && one.complete;
        }
        // The page may be gone when this runs on the window's thread.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [page, all] {
                if (page)
                    page->ShowSize(all.bytes, all.files, all.folders, all.complete);
            },
            Qt::QueuedConnection);
    });
}

void CFileGeneralPage::ShowSize(std::uint64_t bytes, std::uint64_t files, std::uint64_t folders,
                                bool complete) {
    m_pSize->setText(SizeText(bytes) + (complete ? QString() : QStringLiteral(" or more")));
    m_pContains->setText(QStringLiteral("%1 Files, %2 Folders")
                             .arg(static_cast<qulonglong>(files))
                             .arg(static_cast<qulonglong>(folders)));
    m_bSizeFinal = true;
    emit SizeFinal();
}
