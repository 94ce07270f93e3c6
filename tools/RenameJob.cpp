#include "tools/RenameJob.h"

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "app/engine/ProviderItemOfRecord.h"
#include "platform/FaultTrace.h"
#include "platform/FileTime.h"
#include "platform/Log.h"
#include "platform/PosixFile.h"
#include "platform/StringTable.h"
#include "platform/TextCase.h"
#include "platform/shell/ShellRoots.h"
#include "tools/RenameTemplate.h"
#include "tools/ToolRecords.h"

namespace {

constexpr int IDOK_RESULT = 1;

// -1, 0 or 1.
template <typename T>
int ThreeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// renameat2 without replacing; where the file system cannot refuse a
// replacement itself, a hard link (which never replaces) and an unlink.
int MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        return -1;
    if (S_ISDIR(st.st_mode)) {
        errno = EOPNOTSUPP;
        return -1;
    }
    if (::link(from.c_str(), to.c_str()) != 0)
        return -1;
    if (::unlink(from.c_str()) != 0) {
        const int saved = errno;
        ::unlink(to.c_str());
        errno = saved;
        return -1;
    }
    return 0;
}

void LogFailure(const std::string& oldPath, const std::string& newPath, const std::string& why) {
    LogPrintf(kToolLogRed, "%s", FormatResourceString(IDS_RENAME_FAILED, oldPath, newPath).c_str());
    LogPrintf(kToolLogRed, "  %s", why.c_str());
}

}  // namespace

RenameOutcome RenameWithoutReplacing(const std::string& oldPath, const std::string& newPath,
                                     std::string* error) {
    struct stat from {};
    if (::lstat(oldPath.c_str(), &from) != 0) {
        *error = std::strerror(errno);
        return RenameOutcome::Failed;
    }
    struct stat existing {};
    if (::lstat(newPath.c_str(), &existing) == 0) {
        const bool sameFile = existing.st_dev == from.st_dev && existing.st_ino == from.st_ino;
        const bool caseOnly = LowerCaseUtf8(newPath) == LowerCaseUtf8(oldPath);
        if (!sameFile || !caseOnly) {
            *error = "a file of that name exists";
            return RenameOutcome::Exists;
        }
        // One file under both names: the file system ignores case. Go
        // through a temporary name so that the new spelling is stored.
        static std::atomic<unsigned> counter{0};
        std::string temporary;
        int moved = -1;
        for (int attempt = 0; attempt < 100 && moved != 0; ++attempt) {
            temporary = zb::FolderOf(oldPath) + "/.zembrolt-rename-" + std::to_string(::getpid()) +
                        "-" + std::to_string(counter++);
            moved = MoveWithoutReplacing(oldPath, temporary);
            if (moved != 0 && errno != EEXIST)
                break;
        }
        if (moved != 0) {
            *error = std::strerror(errno);
            return RenameOutcome::Failed;
        }
        if (::lstat(newPath.c_str(), &existing) == 0) {
            // The new name still leads somewhere: two names of one file (hard
            // links), not one name in two spellings.
            MoveWithoutReplacing(temporary, oldPath);
            *error = "a file of that name exists";
            return RenameOutcome::Exists;
        }
        if (MoveWithoutReplacing(temporary, newPath) != 0) {
            *error = std::strerror(errno);
            MoveWithoutReplacing(temporary, oldPath);
            return RenameOutcome::Failed;
        }
        return RenameOutcome::Renamed;
    }
    if (MoveWithoutReplacing(oldPath, newPath) == 0)
        return RenameOutcome::Renamed;
    *error = std::strerror(errno);
    return errno == EEXIST ? RenameOutcome::Exists : RenameOutcome::Failed;
}

RenameDetailReader MakeRenameDetailReader(const CFileInfoProviderList& providers) {
    return [&providers](const CResultItem& record, std::string* title, std::string* author) {
        constexpr int kTitleColumn = 2;
        constexpr int kAuthorColumn = 4;
        for (const auto& provider : providers) {
            if (!provider->IsSupported(record.m_sName.str()))
                continue;
            bool loaded = false;
            // A provider that fails on a hostile file gives no title or author.
            try {
                if (provider->Load(MakeProviderItem(record))) {
                    COLUMNVALUE value;
                    if (provider->HasColumn(kTitleColumn) &&
                        provider->GetValue(kTitleColumn, &value))
                        *title = value.text;
                    value = COLUMNVALUE();
                    if (provider->HasColumn(kAuthorColumn) &&
                        provider->GetValue(kAuthorColumn, &value))
                        *author = value.text;
                    loaded = true;
                }
            } catch (...) {
                zb::NoteIgnoredFault("the rename tool's detail reader");
            }
            provider->Reset();
            return loaded;
        }
        return false;
    };
}

void CRenameJob::SetItems(const std::vector<CResultItem*>& records,
                          const RenameDetailReader& reader) {
    m_records = records;
    m_rows.assign(records.size(), RenameRow());
    m_order.resize(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        m_order[i] = i;
        m_rows[i].newName = records[i]->m_sName;
        if (reader && !reader(*records[i], &m_rows[i].title, &m_rows[i].author)) {
            m_rows[i].title.clear();
            m_rows[i].author.clear();
        }
    }
    m_nSortColumn = -1;
    m_bAscending = true;
    m_nRenamed = 0;
}

std::string CRenameJob::MakeNewName(std::size_t record, std::size_t position,
                                    const RenameOptions& options) const {
    const CResultItem& item = *m_records[record];
    const RenameRow& row = m_rows[record];
    RenameValues values;
    SplitRenameName(item.m_sName.str(), &values.base, &values.extension);
    values.title = row.title;
    values.author = row.author;
    values.counter = FormatRenameCounter(options.start, options.step, position, options.digits);
    FILETIME local;
    if (!FileTimeToLocalFileTime(&item.m_ftLastWrite, &local) ||
        !FileTimeToSystemTime(&local, &values.lastWrite))
        values.lastWrite = SYSTEMTIME{};

    bool inToken = false;
    std::string name;
    std::string extension;
    ExpandRenameTemplate(options.nameTemplate, values, &inToken, &name);
    ExpandRenameTemplate(options.extTemplate, values, &inToken, &extension);
    ReplaceRenameText(&name, options.findText, options.replaceText, options.replaceMode);
    ReplaceRenameText(&extension, options.extFindText, options.extReplaceText, RENAME_REPLACE_ALL);
    ApplyNameCase(&name, options.nameCase);
    ApplyNameCase(&extension, options.extCase);
    return JoinRenameName(name, extension, item.m_sName.str());
}

bool CRenameJob::UpdateNewNames(const RenameOptions& options) {
    if (options.nameTemplate.empty() || !IsValidRenameTemplate(options.nameTemplate) ||
        !IsValidRenameTemplate(options.extTemplate))
        return false;
    for (std::size_t position = 0; position < m_order.size(); ++position)
        m_rows[m_order[position]].newName = MakeNewName(m_order[position], position, options);
    return true;
}

int CRenameJob::CompareColumn(std::size_t a, std::size_t b, int column) const {
    const CResultItem& ra = *m_records[a];
    const CResultItem& rb = *m_records[b];
    switch (column) {
        case RENAME_COL_OLD_NAME:
            return CompareUtf8NoCase(ra.m_sName, rb.m_sName);
        case RENAME_COL_NEW_NAME:
            return CompareUtf8NoCase(m_rows[a].newName, m_rows[b].newName);
        case RENAME_COL_LOCATION:
            return CompareUtf8NoCase(ra.m_sFolder, rb.m_sFolder);
        case RENAME_COL_SIZE:
            return ThreeWay(ra.m_nSize, rb.m_nSize);
        case RENAME_COL_TYPE:
            return CompareUtf8NoCase(ra.m_sTypeName, rb.m_sTypeName);
        case RENAME_COL_LAST_WRITE:
            return CompareFileTime(&ra.m_ftLastWrite, &rb.m_ftLastWrite);
        case RENAME_COL_AUTHOR:
            return CompareUtf8NoCase(m_rows[a].author, m_rows[b].author);
        case RENAME_COL_TITLE:
            return CompareUtf8NoCase(m_rows[a].title, m_rows[b].title);
        default:
            return 0;
    }
}

void CRenameJob::SortByColumn(int column) {
    if (column < 0 || column >= RENAME_COLUMN_COUNT)
        return;
    if (column == m_nSortColumn) {
        std::reverse(m_order.begin(), m_order.end());
        m_bAscending = !m_bAscending;
        return;
    }
    m_nSortColumn = column;
    m_bAscending = true;
    std::stable_sort(m_order.begin(), m_order.end(),
                     [&](std::size_t a, std::size_t b) { return CompareColumn(a, b, column) < 0; });
}

void CRenameJob::MoveUp(std::vector<std::size_t>* selected) {
    std::sort(selected->begin(), selected->end());
    for (std::size_t& position : *selected) {
        if (position == 0 || position >= m_order.size())
            return;
        std::swap(m_order[position - 1], m_order[position]);
        --position;
    }
}

void CRenameJob::MoveDown(std::vector<std::size_t>* selected) {
    std::sort(selected->begin(), selected->end());
    for (auto it = selected->rbegin(); it != selected->rend(); ++it) {
        if (*it + 1 >= m_order.size())
            return;
        std::swap(m_order[*it], m_order[*it + 1]);
        ++*it;
    }
}

void CRenameJob::Remove(const std::vector<std::size_t>& selected) {
    std::vector<bool> drop(m_order.size(), false);
    for (std::size_t position : selected) {
        if (position < drop.size())
            drop[position] = true;
    }
    std::vector<std::size_t> kept;
    kept.reserve(m_order.size());
    for (std::size_t position = 0; position < m_order.size(); ++position) {
        if (!drop[position])
            kept.push_back(m_order[position]);
    }
    m_order = std::move(kept);
}

int CRenameJob::DoRename() {
    bool failed = false;
    std::vector<std::size_t> renamed;
    for (const std::size_t index : m_order) {
        CResultItem& record = *m_records[index];
        const std::string& newName = m_rows[index].newName;
        if (newName == record.m_sName)
            continue;
        std::string oldPath;
        if (!IsChangeableRecord(record, &oldPath))
            continue;
        const std::string newPath = zb::JoinPath(zb::FolderOf(oldPath), newName);
        if (!IsValidNewFileName(newName)) {
            LogFailure(oldPath, newPath, "the new name is not a valid file name");
            failed = true;
            continue;
        }
        std::string error;
        switch (RenameWithoutReplacing(oldPath, newPath, &error)) {
            case RenameOutcome::Renamed:
                renamed.push_back(index);
                break;
            case RenameOutcome::Exists:
                LogPrintf(kToolLogRed, "%s",
                          FormatResourceString(IDS_ALREADY_EXISTS, newPath).c_str());
                failed = true;
                break;
            case RenameOutcome::Failed:
                LogFailure(oldPath, newPath, error);
                failed = true;
                break;
        }
    }
    for (const std::size_t index : renamed)
        ReparseRenamedRecord(*m_records[index], m_rows[index].newName);
    m_nRenamed = static_cast<int>(renamed.size());
    return failed ? IDD_RENAME_FAILED_RESULT : IDOK_RESULT;
}
