#pragma once
// Testing the members of an archive against a search's criteria. Members are
// tested, and their rows handed on, in the order of the reader's table; when
// their contents must be read they are read in the archive's own order
// (CArchiveHandler::GetReadOrder), so that a compressed archive is decoded
// once from front to back, however its table is ordered.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "app/engine/CriteriaTest.h"
#include "readers/archives/ArchiveHandler.h"

// Builds member `entry`'s record into `record`; FALSE when the reader cannot
// describe the member (it is then skipped).
using ArchiveMemberRecord = std::function<BOOL(int entry, CResultItem& record)>;
// Takes a member that passed; false ends the search.
using ArchiveMemberTake = std::function<bool(CResultItem&& record)>;

// The members of the folder `folder` inside the archive open in `handler`
// (its direct children, or with `subtree` every member below it), in table
// order. A reader whose walk does not move on ends it there.
std::vector<int> ArchiveFolderMembers(const CArchiveHandler& handler, const std::string& folder,
                                      BOOL subtree);

// Tests `members` (indices of the archive open in `handler`, in the order
// their rows come) and hands those that pass to `take` in that order. The
// testing ends early when `stop` is set. FALSE when `take` refuses a record.
BOOL TestArchiveMembers(CArchiveHandler& handler, const std::vector<int>& members,
                        const ArchiveMemberRecord& build, CCriteriaTest& test,
                        const std::atomic<bool>& stop, const ArchiveMemberTake& take);

// Lists the files inside the archive at `path` with the calling thread's
// readers (FindArchiveHandler), builds each member's record, and hands those
// that pass `test` to `take` in the archive's order; the archive is closed at
// the end. The listing ends early when `stop` is set. FALSE when `take`
// refuses a record or a fault ends the listing (the search ends).
BOOL SearchArchiveMembers(IShellFolder* folder, LPCITEMIDLIST item, const std::string& path,
                          LPCITEMIDLIST folderAbsolute, CCriteriaTest& test,
                          const std::atomic<bool>& stop, const ArchiveMemberTake& take);
