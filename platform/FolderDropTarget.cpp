#include "platform/FolderDropTarget.h"

#include <sys/stat.h>

#include <cstdlib>

#include "platform/FileTransfer.h"
#include "platform/PathUtils.h"

DWORD ProposedDropEffect(DWORD keyState) {
    const bool control = (keyState & MK_CONTROL) != 0;
    const bool shift = (keyState & MK_SHIFT) != 0;
    if (control && shift)
        return DROPEFFECT_LINK;
    if (control)
        return DROPEFFECT_COPY;
    if (shift)
        return DROPEFFECT_MOVE;
    return DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
}

namespace zb {

std::unique_ptr<CFolderDropTarget> CFolderDropTarget::Create(const std::string& folder) {
    char* resolved = ::realpath(folder.c_str(), nullptr);
    if (resolved == nullptr)
        return nullptr;
    std::string path = resolved;
    std::free(resolved);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return nullptr;
    return std::unique_ptr<CFolderDropTarget>(new CFolderDropTarget(std::move(path)));
}

DWORD CFolderDropTarget::DragEnter(const std::vector<std::string>& sources, DWORD keyState,
                                   DWORD allowed) {
    m_sources = sources;
    return DragOver(keyState, allowed);
}

DWORD CFolderDropTarget::DragOver(DWORD keyState, DWORD allowed) {
    if (m_sources.empty())
        return DROPEFFECT_NONE;
    bool sameFileSystem = true;
    bool allHere = true;
    for (const std::string& source : m_sources) {
        if (IsFolderInsideItem(m_folder, source))
            return DROPEFFECT_NONE;
        sameFileSystem = sameFileSystem && IsOnSameFileSystem(source, m_folder);
        allHere = allHere && GetParentFolder(source) == m_folder;
    }
    const bool control = (keyState & MK_CONTROL) != 0;
    const bool shift = (keyState & MK_SHIFT) != 0;
    DWORD wanted = DROPEFFECT_NONE;
    if (control && shift)
        wanted = DROPEFFECT_LINK;
    else if (control)
        wanted = DROPEFFECT_COPY;
    else if (shift)
        wanted = DROPEFFECT_MOVE;
    else
        wanted = sameFileSystem ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    DWORD effect = DROPEFFECT_NONE;
    if (allowed & wanted) {
        effect = wanted;
    } else if (!(keyState & MK_MODIFIERS)) {
        // The keys chose nothing: the first effect the source allows.
        for (const DWORD each : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK}) {
            if (allowed & each) {
                effect = each;
                break;
            }
        }
    }
    if (effect == DROPEFFECT_MOVE && allHere)
        return DROPEFFECT_NONE;
    return effect;
}

DWORD CFolderDropTarget::Hover(const std::vector<std::string>& sources, DWORD keyState) {
    DragEnter(sources, keyState, DROPEFFECT_NONE);
    const DWORD effect = DragOver(keyState, ProposedDropEffect(keyState));
    DragLeave();
    return effect;
}

DWORD CFolderDropTarget::Drop(const std::vector<std::string>& sources, DWORD keyState,
                              DWORD allowed, IFileOperationUi& ui) {
    const DWORD effect = DragEnter(sources, keyState, allowed);
    m_sources.clear();
    TransferMode mode = TransferMode::Copy;
    switch (effect) {
        case DROPEFFECT_COPY:
            mode = TransferMode::Copy;
            break;
        case DROPEFFECT_MOVE:
            mode = TransferMode::Move;
            break;
        case DROPEFFECT_LINK:
            mode = TransferMode::Link;
            break;
        default:
            return DROPEFFECT_NONE;
    }
    return TransferItems(sources, m_folder, mode, ui).empty() ? DROPEFFECT_NONE : effect;
}

}  // namespace zb
