#pragma once
// Between Qt's drag and drop and the drop vocabulary of the folder drop
// targets: key states, effects and drop actions, and the files a drop
// carries (read from its uri-list bytes, so names that are not UTF-8 keep
// their bytes).

#include <QPoint>
#include <Qt>

#include <string>
#include <vector>

#include "platform/FolderDropTarget.h"

class QDropEvent;
class QMimeData;

// The MK_ bits of the buttons and modifier keys.
DWORD KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
// DROPEFFECT_ bits and Qt drop actions.
DWORD EffectsOf(Qt::DropActions actions);
Qt::DropAction DropActionOf(DWORD effect);
Qt::DropActions DropActionsOf(DWORD effects);

// The local files of a drop, in order; empty when it carries none.
std::vector<std::string> DroppedPaths(const QMimeData* data);

// Answers a drag event with `effect`: accepted with that action, or ignored
// for none.
void AnswerDropEvent(QDropEvent* event, DWORD effect);
