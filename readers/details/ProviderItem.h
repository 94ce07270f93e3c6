#pragma once
// What a detail or thumbnail provider reads of one result record: its name,
// where its bytes are, and whether it is a folder or a member of an archive.
// Providers take this value rather than the record, so a provider working on
// another thread never holds a reference into the result list.

#include <string>

#include "platform/WinTypes.h"

class CSourceStream;

struct CProviderItem {
    std::string m_sName;       // the item's own name; its extension picks the provider
    std::string m_sPath;       // file-system path (a member's: its archive's); empty: none
    std::string m_sInnerPath;  // a member's path inside its archive, "\" separated
    BOOL m_bFolder = FALSE;
    BOOL m_bInArchive = FALSE;

    // The path of a file on disk, for the providers that read files by path:
    // FALSE for a folder, a member of an archive or an item without a path.
    BOOL GetDiskFilePath(std::string* path) const;
    // Opens the item's bytes for the stream-based providers: the file on
    // disk, or the member through its archive's reader. FALSE for a folder,
    // an item without a path or one that cannot be opened.
    BOOL OpenStream(CSourceStream* stream) const;
};
