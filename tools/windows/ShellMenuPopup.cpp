#include "tools/windows/ShellMenuPopup.h"

#include <QAction>
#include <QMenu>

void FillShellMenu(QMenu* menu, const std::vector<CShellMenuItem>& items) {
    for (const CShellMenuItem& item : items) {
        if (item.IsSeparator()) {
            menu->addSeparator();
        } else if (!item.submenu.empty()) {
            QMenu* sub = menu->addMenu(QString::fromStdString(item.text));
            FillShellMenu(sub, item.submenu);
        } else {
            QAction* action = menu->addAction(QString::fromStdString(item.text));
            action->setData(item.id);
        }
    }
}

UINT TrackShellMenu(QMenu* menu, const QPoint& globalPos, const MenuChooser& chooser) {
    if (chooser)
        return chooser(menu, globalPos);
    const QAction* chosen = menu->exec(globalPos);
    return chosen ? chosen->data().toUInt() : 0;
}
