#include "app/engine/ArchiveMemberSearch.h"

#include <algorithm>
#include <numeric>

#include "platform/FaultTrace.h"
#include "platform/shell/ShellHelper.h"

namespace {

// Positions (into `members`) of the members that pass every condition but
// the contained text, in row order.
std::vector<std::size_t> Candidates(const std::vector<int>& members,
                                    const ArchiveMemberRecord& build, CCriteriaTest& test,
                                    const std::atomic<bool>& stop, CResultItem& scratch) {
    std::vector<std::size_t> candidates;
    for (std::size_t k = 0; k < members.size() && !stop.load(std::memory_order_relaxed); ++k) {
        if (build(members[k], scratch) && test.MatchCriteria(scratch, false))
            candidates.push_back(k);
    }
    return candidates;
}

}  // namespace

std::vector<int> ArchiveFolderMembers(const CArchiveHandler& handler, const std::string& folder,
                                      BOOL subtree) {
    std::vector<int> members;
    for (int i = handler.FindFolder(folder);;) {
        const int next = handler.NextChild(i, folder, subtree);
        if (next < 0 || next <= i)
            break;
        members.push_back(next);
        i = next;
    }
    return members;
}

BOOL TestArchiveMembers(CArchiveHandler& handler, const std::vector<int>& members,
                        const ArchiveMemberRecord& build, CCriteriaTest& test,
                        const std::atomic<bool>& stop, const ArchiveMemberTake& take) {
    CResultItem scratch;
    if (!test.HasContainedText()) {
        for (const int entry : members) {
            if (stop.load(std::memory_order_relaxed))
                break;
            if (build(entry, scratch) && test.MatchCriteria(scratch) && !take(std::move(scratch)))
                return FALSE;
        }
        return TRUE;
    }
    // Contents are read in the archive's order; the rows still come in the
    // table's.
    const std::vector<std::size_t> candidates = Candidates(members, build, test, stop, scratch);
    std::vector<std::size_t> reading(candidates.size());
    std::iota(reading.begin(), reading.end(), std::size_t{0});
    std::stable_sort(reading.begin(), reading.end(), [&](std::size_t a, std::size_t b) {
        return handler.GetReadOrder(members[candidates[a]]) <
               handler.GetReadOrder(members[candidates[b]]);
    });
    std::vector<bool> passed(candidates.size(), false);
    for (const std::size_t c : reading) {
        if (stop.load(std::memory_order_relaxed))
            break;
        passed[c] = build(members[candidates[c]], scratch) && test.MatchContainedText(scratch);
    }
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        if (passed[c] && build(members[candidates[c]], scratch) && !take(std::move(scratch)))
            return FALSE;
    }
    return TRUE;
}

BOOL SearchArchiveMembers(IShellFolder* folder, LPCITEMIDLIST item, const std::string& path,
                          LPCITEMIDLIST folderAbsolute, CCriteriaTest& test,
                          const std::atomic<bool>& stop, const ArchiveMemberTake& take) {
    CArchiveHandler* handler = nullptr;
    try {
        handler = FindArchiveHandler(path);
        if (!handler)
            return TRUE;
        std::vector<int> members;
        for (int i = handler->FirstFile(); i != -1; i = handler->NextFile(i))
            members.push_back(i);
        const auto build = [&](int entry, CResultItem& record) {
            PidlPtr full(CShellHelper::ConcatPidls(folderAbsolute, item));
            return MakeArchiveEntryItem(handler, entry, record, zb::ComPtr<IShellFolder>(folder),
                                        PidlPtr(ILClone(item)), std::move(full));
        };
        const BOOL result = TestArchiveMembers(*handler, members, build, test, stop, take);
        handler->Close();
        return result;
    } catch (...) {
        zb::NoteIgnoredFault("the search of an archive's members");
        if (handler)
            handler->Close();
        return FALSE;
    }
}
