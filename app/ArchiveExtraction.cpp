#include "app/ArchiveExtraction.h"

#include <QCoreApplication>
#include <QObject>

#include <algorithm>
#include <cctype>
#include <set>
#include <utility>

#include "platform/Log.h"
#include "readers/archives/ArchiveHandler.h"
#include "ui/EnableWindowGuard.h"
#include "ui/ProgressDlg.h"
#include "ui/ResourceText.h"

namespace {

constexpr COLORREF kLogRed = RGB(255, 0, 0);

// a + b for non-negative values, saturated at the int64 limit.
std::int64_t AddSaturated(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? INT64_MAX : sum;
}

// The unsupported-method message with the handler's first extension in upper case ("archives"
// when it has none) and the member's name.
QString UnpackNotSupportedText(const CArchiveHandler& handler, const std::string& name) {
    std::vector<std::string> extensions;
    handler.GetExtensions(&extensions);
    std::string extension = extensions.empty() ? std::string("archives") : extensions.front();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ResourceText(IDS_UNPACK_NOT_SUPPORTED, extension, name);
}

// The failure line of a member that could not be extracted, in red, with
// the reader's reason when it gave one.
void LogExtractionFailure(const CResultItem& record, ArchiveFailure reason) {
    if (reason == ArchiveFailure::None) {
        LogPrintf(kLogRed, "%s\\%s can not be decompressed", record.m_sFolder.c_str(),
                  record.m_sName.c_str());
        return;
    }
    LogPrintf(kLogRed, "%s\\%s can not be decompressed (%s)", record.m_sFolder.c_str(),
              record.m_sName.c_str(), DescribeArchiveFailure(reason));
}

// The folder that keeps `relative` apart from the paths one extraction wrote
// already (`written`): none while it is free, else the first of "2", "3", ...
// below which it is.
std::string SeparateFolder(const std::string& relative, const std::set<std::string>& written) {
    if (written.count(relative) == 0)
        return {};
    for (int n = 2;; ++n) {
        std::string folder = std::to_string(n);
        if (written.count(folder + "/" + relative) == 0)
            return folder;
    }
}

}  // namespace

void CSelectionPayload::Clear() {
    m_arrArchiveIndices.clear();
    m_strText.clear();
    m_arrDropFiles.clear();
    m_arrItemIdLists.clear();
}

// Moves the progress bar after every written block, keeps the windows
// responsive, and turns a confirmed Cancel into a cancel of the extraction.
class CArchiveExtraction::CDialogProgress : public IExtractionProgress {
public:
    CDialogProgress(CArchiveExtraction& owner, CProgressDlg& dialog)
        : m_owner(owner), m_dialog(dialog) {
        QObject::connect(&dialog, &CProgressDlg::CancelRequested, &dialog,
                         [this] { m_bCancelAsked = true; });
    }

    BOOL OnBytesWritten(std::int64_t bytes) override {
        m_nWritten = AddSaturated(m_nWritten, bytes);
        m_dialog.SetPos64(m_nWritten);
        QCoreApplication::processEvents();
        if (!m_bCancelAsked)
            return TRUE;
        m_bCancelAsked = false;
        const auto answer =
            m_owner.ShowMessageBox(&m_dialog, ResourceText(IDS_CANCEL_OPERATION),
                                   QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question);
        return answer == QMessageBox::Ok ? FALSE : TRUE;
    }

private:
    CArchiveExtraction& m_owner;
    CProgressDlg& m_dialog;
    std::int64_t m_nWritten = 0;
    bool m_bCancelAsked = false;
};

CArchiveExtraction::CArchiveExtraction(CShellHelper& shell) : m_shell(shell) {}

CArchiveExtraction::~CArchiveExtraction() = default;

int CArchiveExtraction::ExtractArchiveItems(QWidget* parent, const CResultArray& results,
                                            std::vector<std::size_t> indices,
                                            std::vector<std::string>* out) {
    CEnableWindowGuard guard(parent, FALSE);
    std::sort(indices.begin(), indices.end());
    out->clear();

    const std::size_t count = results.GetCount();
    auto inArchive = [&](std::size_t index) {
        return index < count && (results[index].m_dwFlags & RIF_IN_ARCHIVE) != 0;
    };
    std::int64_t total = 0;
    for (std::size_t index : indices) {
        if (inArchive(index)) {
            const std::uint64_t size = results[index].m_nSize;
            total =
                AddSaturated(total, size > INT64_MAX ? INT64_MAX : static_cast<std::int64_t>(size));
        }
    }
    if (total <= 0)
        total = 1;

    std::unique_ptr<CProgressDlg> dialog = CreateProgressDialog(parent);
    dialog->SetStatusText(ResourceText(IDS_DECOMPRESSING_FILES));
    dialog->SetRange64(0, total);
    dialog->SetPos64(0);
    dialog->ShowCentred();
    CDialogProgress progress(*this, *dialog);

    InitArchiveHandlers();
    std::vector<char> buffer(static_cast<std::size_t>(GetMaxBlockSize()) + 1);
    std::set<std::string> written;  // relative to the private folder
    bool cancelled = false;
    for (std::size_t index : indices) {
        if (cancelled)
            break;
        if (!inArchive(index))
            continue;
        const CResultItem& record = results[index];
        std::string archivePath;
        if (!record.GetFilePath(&archivePath))
            continue;
        CArchiveHandler* handler = FindArchiveHandler(archivePath);
        if (!handler)
            continue;
        if (handler->GetFlags() & ARCHIVE_FLAG_NO_UNPACK) {
            const auto answer =
                ShowMessageBox(dialog.get(), UnpackNotSupportedText(*handler, record.m_sName.str()),
                               QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Warning);
            if (answer != QMessageBox::Ok)
                cancelled = true;
            continue;
        }
        std::string inner;
        if (!record.GetPathInArchive(&inner))
            continue;
        const CExtractedFileTimes times{record.m_ftCreation, record.m_ftLastAccess,
                                        record.m_ftLastWrite};
        // Members of one path from different archives would replace each
        // other: a later one goes below a numbered folder of its own.
        std::string relative;
        std::string under;
        if (SanitiseArchivePath(inner, &relative))
            under = SeparateFolder(relative, written);
        std::string path;
        const ExtractResult result = m_extractor.ExtractMember(
            *handler, inner, record.m_nArchiveEntry, times, buffer, &progress, &path, under);
        switch (result) {
            case ExtractResult::Extracted:
                written.insert(under.empty() ? relative : under + "/" + relative);
                out->push_back(std::move(path));
                break;
            case ExtractResult::Refused:
            case ExtractResult::Failed:
                LogExtractionFailure(record, result == ExtractResult::Failed
                                                 ? m_extractor.GetLastFailure()
                                                 : ArchiveFailure::None);
                break;
            case ExtractResult::Cancelled:
                cancelled = true;
                break;
            case ExtractResult::Skipped:
                break;
        }
    }
    dialog->done(QDialog::Rejected);
    dialog.reset();
    return cancelled ? EXTRACTION_CANCELLED : 0;
}

int CArchiveExtraction::ExtractSelectedArchiveItems(QWidget* parent, const CResultArray& results) {
    m_bExtractionPending = FALSE;
    std::vector<std::string> paths;
    if (!m_payload.m_arrArchiveIndices.empty() &&
        ExtractArchiveItems(parent, results, m_payload.m_arrArchiveIndices, &paths) ==
            EXTRACTION_CANCELLED) {
        return EXTRACTION_CANCELLED;
    }
    for (const std::string& path : paths) {
        m_payload.m_arrDropFiles.push_back(path);
        LPITEMIDLIST list = nullptr;
        if (SUCCEEDED(m_shell.ParseDisplayName(path, &list, nullptr)) && list)
            m_payload.m_arrItemIdLists.emplace_back(list);
        m_payload.m_strText += path;
        m_payload.m_strText += '\n';
    }
    return 0;
}

void CArchiveExtraction::SetSelectedArchiveItems(std::vector<std::size_t> indices) {
    std::sort(indices.begin(), indices.end());
    m_payload.m_arrArchiveIndices = std::move(indices);
}

QMessageBox::StandardButton CArchiveExtraction::ShowMessageBox(QWidget* parent, const QString& text,
                                                               QMessageBox::StandardButtons buttons,
                                                               QMessageBox::Icon icon) {
    QMessageBox box(icon, ResourceText(IDS_PROGRAM_NAME), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

std::unique_ptr<CProgressDlg> CArchiveExtraction::CreateProgressDialog(QWidget* owner) {
    return std::make_unique<CProgressDlg>(owner);
}
