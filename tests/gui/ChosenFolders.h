#pragma once
// Folders as the folder picker hands them over, made from paths, for tests
// that answer the picker or the multi-folder dialog themselves.

#include <string>
#include <vector>

#include "app/engine/SearchEngine.h"
#include "platform/shell/FolderItem.h"

namespace zbtest {

// One record per path, in order; false when a path names no place.
inline bool ChosenFolders(const std::vector<std::string>& paths,
                          std::vector<SELECTEDFOLDER>& chosen) {
    for (const std::string& path : paths) {
        CSearchData criteria;
        criteria.Reset();
        criteria.m_MainData.m_sFindRootPath = path;
        CSearchRequest request;
        if (!PrepareSearchRequest(criteria, &request).Ok())
            return false;
        SELECTEDFOLDER folder;
        CopyFolderItem(*request.root, folder);
        folder.m_sPath = path;
        chosen.push_back(std::move(folder));
    }
    return true;
}

}  // namespace zbtest
