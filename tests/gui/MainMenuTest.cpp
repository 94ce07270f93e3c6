// The menu bar's icons, item texts and the lists at the end of its menus.
#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWidget>

#include "app/MainMenu.h"
#include "app/MainMenuTable.h"
#include "app/ZembroltDlg.h"
#include "gui/GuiTestRegistry.h"
#include "ui/BitmapStrip.h"

namespace {

constexpr QRgb kMagenta = qRgb(255, 0, 255);

// Whether any pixel of `image` is still the opaque key colour.
bool HasOpaqueKeyColour(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 255 && (pixel & 0xFFFFFF) == (kMagenta & 0xFFFFFF))
                return true;
        }
    }
    return false;
}

QStringList Texts(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions)
        texts << action->text();
    return texts;
}

}  // namespace

class MainMenuTest : public QObject {
    Q_OBJECT
private slots:
    void everyCommandTakesTheIconItIsListedWith() {
        const std::pair<int, int> listed[] = {
            {ID_MACRO_LIST, 0},      {ID_FIND_DUPLICATE, 1}, {ID_SEL_VISIBLE_COLUMN, 2},
            {ID_CLEAR_RESULT, 3},    {ID_OPTION, 4},         {ID_EDIT_COPY, 6},
            {ID_TELL_FRIEND, 7},     {ID_WEB_SITE, 7},       {ID_EXPORT_RESULT, 9},
            {ID_FIND_REDUNDANT, 11}, {ID_SEND_FEEDBACK, 12}, {ID_HELP_CONTENTS, 13},
            {ID_PRINT_RESULT, 14},   {IDM_ABOUTBOX, 15},     {ID_APP_EXIT, 16},
            {ID_EDIT_CUT, 17},       {ID_EDIT_DELETE, 18},
        };
        for (const auto& [id, icon] : listed)
            QCOMPARE(MainMenuIconIndex(id), icon);
        for (int id : {ID_RENAME, ID_SAVE_MACRO, ID_CLEAR_RECENT_SEARCH, ID_MULTI_FOLDER_SEARCH, 0})
            QCOMPARE(MainMenuIconIndex(id), -1);

        const QList<QIcon> strip = LoadBitmapStrip(IDB_MENU_ICONS, 16, QColor(kMagenta));
        QVERIFY(strip.size() > 18);
        QWidget window;
        CMainMenu menu(&window, [](int) {});
        for (const auto& [id, icon] : listed) {
            QAction* action = menu.Action(id);
            QVERIFY2(action, qPrintable(QString::number(id)));
            const QImage shown = action->icon().pixmap(16, 16).toImage();
            QCOMPARE(shown.size(), QSize(16, 16));
            QCOMPARE(shown, strip[icon].pixmap(16, 16).toImage());
            // The key colour is see-through.
            QVERIFY(shown.hasAlphaChannel());
            QVERIFY(!HasOpaqueKeyColour(shown));
            // A grayed command's icon has a look of its own.
            QVERIFY(action->icon().pixmap(QSize(16, 16), QIcon::Disabled).toImage() != shown);
        }
        QVERIFY(menu.Action(ID_RENAME)->icon().isNull());
    }

    void labelsAndShortcutsSplitAtTheirTabs() {
        MenuItemText exit = SplitMenuItemText("Exit\tAlt+F4");
        QCOMPARE(exit.label, std::string("Exit"));
        QCOMPARE(exit.shortcut, std::string("Alt+F4"));
        MenuItemText twoTabs = SplitMenuItemText("Name\tmiddle\tCtrl + K");
        QCOMPARE(twoTabs.label, std::string("Name"));
        QCOMPARE(twoTabs.shortcut, std::string("Ctrl + K"));
        QCOMPARE(SplitMenuItemText("Rename").shortcut, std::string());

        // 254 letters and a two-byte letter make 255 characters and stay;
        // one more character is cut off whole.
        const std::string kept = std::string(254, 'a') + "\xC3\xA9";
        QCOMPARE(SplitMenuItemText(kept).label, kept);
        QCOMPARE(SplitMenuItemText(std::string(254, 'a') + "\xC3\xA9\xC3\xA9").label, kept);
    }

    void theListsReplaceOnlyTheirOwnItems() {
        QWidget window;
        QList<int> chosen;
        CMainMenu menu(&window, [&chosen](int id) { chosen << id; });
        menu.SetListItems(
            CMainMenu::MenuList::Macros,
            {{ID_MACRO_FIRST, "Sources\tCtrl + Shift + K"}, {ID_MACRO_FIRST + 1, "Logs"}});
        menu.SetListItems(CMainMenu::MenuList::RecentSearches, {{ID_RECENT_SEARCH_FIRST, "Old"}});
        menu.SetListItems(CMainMenu::MenuList::RecentSearches,
                          {{ID_RECENT_SEARCH_FIRST + 1, "Search * in tmp"},
                           {ID_RECENT_SEARCH_FIRST, "Search *.txt in /"}});

        // The Recent Search sub-menu is the File menu's, after its first two items.
        QMenu* file = menu.MenuBar()->actions().at(0)->menu();
        QMenu* recent = nullptr;
        for (QAction* action : file->actions()) {
            if (action->menu() && action->text() == QStringLiteral("Recent Search"))
                recent = action->menu();
        }
        QVERIFY(recent);
        const QList<QAction*> recentItems = recent->actions();
        QCOMPARE(recentItems.size(), 4);
        QCOMPARE(recentItems[0], menu.Action(ID_CLEAR_RECENT_SEARCH));
        QVERIFY(recentItems[1]->isSeparator());
        QCOMPARE(Texts(menu.ListItems(CMainMenu::MenuList::RecentSearches)),
                 (QStringList{"Search * in tmp", "Search *.txt in /"}));

        QMenu* macros = menu.MenuBar()->actions().at(2)->menu();
        QCOMPARE(macros->actions().size(), 5);
        QCOMPARE(macros->actions()[0], menu.Action(ID_SAVE_MACRO));
        QCOMPARE(macros->actions()[1], menu.Action(ID_MACRO_LIST));
        QCOMPARE(Texts(menu.ListItems(CMainMenu::MenuList::Macros)),
                 (QStringList{"Sources\tCtrl + Shift + K", "Logs"}));

        menu.ListItems(CMainMenu::MenuList::RecentSearches)[1]->trigger();
        menu.ListItems(CMainMenu::MenuList::Macros)[0]->trigger();
        QCOMPARE(chosen, (QList<int>{ID_RECENT_SEARCH_FIRST, ID_MACRO_FIRST}));
    }
};

ZB_GUI_TEST(MainMenuTest);
#include "MainMenuTest.moc"
