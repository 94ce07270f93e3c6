#pragma once
// The file manager's calls over the session bus (Qt D-Bus). A call waits at
// most two seconds for its answer; without a bus or a file manager it fails
// and the caller falls back to opening folders.

#include "platform/FileManagerExplore.h"

class CFileManagerBus : public zb::IFileManagerCaller {
public:
    bool CallFileManager(const std::string& method, const std::vector<std::string>& uris,
                         const std::string& startupId) override;
};
