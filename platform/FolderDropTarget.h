#pragma once
// The drop target of a folder on disk: what a folder row of the result list
// or a folder of the tree does with items dropped on it. It answers which
// effect a drop would have for the keys held and the effects the source
// allows, and carries the drop out with TransferItems (nothing replaced,
// links not followed, a folder never into itself).

#include <memory>
#include <string>
#include <vector>

#include "platform/FileOperation.h"
#include "platform/WinTypes.h"

// Drop effects.
constexpr DWORD DROPEFFECT_NONE = 0;
constexpr DWORD DROPEFFECT_COPY = 1;
constexpr DWORD DROPEFFECT_MOVE = 2;
constexpr DWORD DROPEFFECT_LINK = 4;

// Key state bits of a drag.
constexpr DWORD MK_LBUTTON = 0x0001;
constexpr DWORD MK_RBUTTON = 0x0002;
constexpr DWORD MK_SHIFT = 0x0004;
constexpr DWORD MK_CONTROL = 0x0008;
constexpr DWORD MK_MBUTTON = 0x0010;
constexpr DWORD MK_ALT = 0x0020;
constexpr DWORD MK_BUTTONS = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
constexpr DWORD MK_MODIFIERS = MK_SHIFT | MK_CONTROL | MK_ALT;

// The effects a drag over a row or tree item proposes for the modifier keys:
// Ctrl+Shift link, Ctrl copy, Shift move, otherwise all three.
DWORD ProposedDropEffect(DWORD keyState);

namespace zb {

class CFolderDropTarget {
public:
    // The target of the folder `folder` (links to a folder are followed);
    // null when it is no folder.
    static std::unique_ptr<CFolderDropTarget> Create(const std::string& folder);

    // The effect a drop of `sources` would have: the one of `allowed` that
    // the keys choose (Ctrl+Shift link, Ctrl copy, Shift move; without them
    // move on the folder's own file system, else copy). None when nothing
    // was dragged, when a source is the folder or holds it, or when every
    // source already lies in the folder and the effect would be a move.
    DWORD DragEnter(const std::vector<std::string>& sources, DWORD keyState, DWORD allowed);
    DWORD DragOver(DWORD keyState, DWORD allowed);
    void DragLeave() { m_sources.clear(); }
    // A drag over the folder for the keys held: DragEnter, DragOver with the
    // effects the keys propose, DragLeave; the effect DragOver gives.
    DWORD Hover(const std::vector<std::string>& sources, DWORD keyState);
    // Carries the drop out with the effect DragOver gives for these keys;
    // returns the effect (none when nothing was made).
    DWORD Drop(const std::vector<std::string>& sources, DWORD keyState, DWORD allowed,
               IFileOperationUi& ui);

    const std::string& GetFolder() const { return m_folder; }

private:
    explicit CFolderDropTarget(std::string folder) : m_folder(std::move(folder)) {}

    std::string m_folder;
    std::vector<std::string> m_sources;
};

}  // namespace zb
