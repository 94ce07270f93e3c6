#pragma once
// Shows a context-menu model (CShellContextMenu) as a pop-up menu and
// returns the id of the chosen command (0 when nothing was chosen).

#include <QPoint>

#include <functional>
#include <vector>

#include "tools/ShellContextMenu.h"

class QMenu;
class QWidget;

// Fills `menu` with the model's items, sub-menus included; each action
// carries its command id as data.
void FillShellMenu(QMenu* menu, const std::vector<CShellMenuItem>& items);

// Runs the filled menu at `globalPos` and returns the chosen id, or 0. Tests
// choose through `chooser` instead of a user.
using MenuChooser = std::function<UINT(QMenu* menu, const QPoint& globalPos)>;
UINT TrackShellMenu(QMenu* menu, const QPoint& globalPos, const MenuChooser& chooser = {});
