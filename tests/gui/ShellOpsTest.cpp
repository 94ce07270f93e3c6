// Found items as the desktop's file managers see them, first on their own
// (rows the engine found, the commands on them and their shell side): Copy
// and Cut on the clipboard, dragging rows out (members extracted only when
// asked for), files dropped on folder rows, the context menu, the programs it
// starts (names that are not UTF-8 reach them unchanged); then through the
// window: the folder tree's drops and menus, renaming, the properties sheet.

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ResultRowCommands.h"
#include "app/ResultShell.h"
#include "app/ZembroltDlg.h"
#include "archives/ZipBuilder.h"
#include "gui/GuiTestRegistry.h"
#include "gui/ResultRowsSupport.h"
#include "platform/Registry.h"
#include "platform/UriList.h"
#include "support/TempHome.h"
#include "tools/windows/FileGeneralPage.h"
#include "tools/windows/FilePropertiesSheet.h"
#include "tools/windows/ResultDataSource.h"
#include "ui/DesktopOpen.h"
#include "ui/FolderTreeCtrl.h"

namespace {

// Found rows with their commands and their shell side, without the window;
// the questions answered, the messages kept.
struct Shell : zbgui::RowCommands {
    CShellHelper helper;
    CResultShell shell{&window, helper, &model, list, commands};

    Shell() {
        shell.SetMessageBox([this](const QString& text, QMessageBox::Icon) { messages << text; });
        window.show();
    }
    QPoint RowPoint(const QString& name) const {
        return list->GetCurrentView()->visualRect(model.index(Row(name), 0)).center();
    }
};

// The main window with its questions answered and its messages kept.
class AnsweringDlg : public zbgui::QuietDlg {
public:
    AnsweringDlg() {
        RowCommands().SetQuestionBox([](const QString&) { return true; });
    }
};

// Records the file manager calls; answers as told.
class RecordingFileManager : public zb::IFileManagerCaller {
public:
    RecordingFileManager(QStringList* log, bool answer) : m_log(log), m_answer(answer) {}
    bool CallFileManager(const std::string& method, const std::vector<std::string>& uris,
                         const std::string& startupId) override {
        QString line = QString::fromStdString(method);
        for (const std::string& uri : uris)
            line += QLatin1Char(' ') + QString::fromStdString(uri);
        *m_log << line + QStringLiteral(" [") + QString::fromStdString(startupId) +
                      QLatin1Char(']');
        return m_answer;
    }

private:
    QStringList* m_log;
    bool m_answer;
};

using zbgui::Find;
using zbgui::ReadFile;
using zbgui::SelectRows;
using zbgui::WriteFile;
using zbtest::Exists;

std::unique_ptr<QMimeData> UriData(const QStringList& paths) {
    std::vector<std::string> list;
    for (const QString& path : paths)
        list.push_back(QFile::encodeName(path).toStdString());
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("text/uri-list"), QByteArray::fromStdString(MakeUriList(list)));
    return data;
}

// Sends a drag over `point` of `viewport` and its drop; returns the drop
// action the drop was answered with (IgnoreAction when refused).
Qt::DropAction DragAndDrop(QWidget* viewport, const QPoint& point, QMimeData* data,
                           Qt::KeyboardModifiers modifiers, Qt::DropAction* overAction = nullptr) {
    constexpr Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(point, all, data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(point, all, data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(viewport, &move);
    if (overAction)
        *overAction = move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    QDropEvent drop(QPointF(point), all, data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(viewport, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// Chooses the menu item whose text is `text` (searching sub-menus), and
// keeps every text it saw.
MenuChooser Choose(const QString& text, QStringList* seen) {
    return [text, seen](QMenu* menu, const QPoint&) -> UINT {
        UINT chosen = 0;
        std::function<void(QMenu*)> walk = [&](QMenu* m) {
            for (QAction* action : m->actions()) {
                if (action->isSeparator())
                    continue;
                if (seen)
                    *seen << action->text();
                if (action->menu())
                    walk(action->menu());
                else if (action->text() == text)
                    chosen = action->data().toUInt();
            }
        };
        walk(menu);
        return chosen;
    };
}

// A page that answers the sheet's notifications as told and counts them.
class AnsweringPage : public QWidget, public IFilePropertyPage {
public:
    bool killActive = true;
    bool apply = true;
    bool queryCancel = true;
    int applies = 0;
    bool OnKillActive() override { return killActive; }
    bool OnApply() override {
        ++applies;
        return apply;
    }
    bool OnQueryCancel() override { return queryCancel; }
};

}  // namespace

class ShellOpsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_files;
    QByteArray m_path;  // PATH before StubPrograms

    QString File(const QString& name) const { return m_files->filePath(name); }
    std::string LocalPath(const QString& name) const {
        return QFile::encodeName(File(name)).toStdString();
    }
    // Makes the folder "dir\xFE" holding the empty file "bad\xFFbyte.txt" in
    // the test's folder; the folder's path.
    std::string MakeFolderNotUtf8() const {
        const std::string folder = QFile::encodeName(m_files->path()).toStdString() + "/dir\xFE";
        if (::mkdir(folder.c_str(), 0700) == 0)
            ::close(::open((folder + "/bad\xFF"
                                     "byte.txt")
                               .c_str(),
                           O_WRONLY | O_CREAT, 0600));
        return folder;
    }
    QTreeWidgetItem* SelectTreeFolder(CFolderTreeCtrl* tree, const QString& name) const {
        return SelectTreeFolder(tree, LocalPath(name));
    }
    QTreeWidgetItem* SelectTreeFolder(CFolderTreeCtrl* tree, const std::string& path) const {
        tree->SelectPath(path);
        return tree->currentItem();
    }

    // Where the stub programs record how they were called.
    QString CallRecord() const { return m_home->filePath(QStringLiteral("calls")); }
    // Puts programs named `programs` first on PATH; each adds its name and
    // arguments to the record that TakeCalls() reads.
    void StubPrograms(const std::vector<QString>& programs) {
        const QString bin = m_home->filePath(QStringLiteral("bin"));
        for (const QString& program : programs) {
            const QString script = bin + QLatin1Char('/') + program;
            WriteFile(script, "#!/bin/sh\nprintf '%s\\0' \"${0##*/}\" \"$@\" >> '" +
                                  QFile::encodeName(CallRecord()) + "'\necho >> '" +
                                  QFile::encodeName(CallRecord()) + "'\n");
            QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        m_path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin) + ':' + m_path);
    }
    // The programs started since the last call, once all of them have ended
    // (wait for WatchedProgramCount() to reach 0 first): each its name and
    // arguments.
    QList<QByteArrayList> TakeCalls() const {
        QList<QByteArrayList> calls;
        for (const QByteArray& line : ReadFile(CallRecord()).split('\n')) {
            if (line.isEmpty())
                continue;
            QByteArrayList call = line.split('\0');
            call.removeLast();  // after the last NUL
            calls << call;
        }
        QFile::remove(CallRecord());
        return calls;
    }

private slots:
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_home->filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", m_home->filePath(QStringLiteral("data")).toUtf8());
        // Our applications first; the system's folder holds the MIME database.
        qputenv(
            "XDG_DATA_DIRS",
            (m_home->filePath(QStringLiteral("share")) + QStringLiteral(":/usr/share")).toUtf8());
        m_files = std::make_unique<QTemporaryDir>();
        WriteFile(File(QStringLiteral("a.txt")), "a");
        WriteFile(File(QStringLiteral("b c.txt")), "bc");
        WriteFile(File(QStringLiteral("dst/dst.keep")), "kept");
        WriteFile(File(QStringLiteral("src/child/x.dat")), "x");
    }
    void cleanup() {
        qunsetenv("XDG_DATA_DIRS");
        if (!m_path.isEmpty())
            qputenv("PATH", std::exchange(m_path, QByteArray()));
    }

    void copyAndCutPutFileManagerFormatsOnTheClipboard() {
        Shell s;
        QCOMPARE(s.Find(QStringLiteral("*.txt"), m_files->path()), 2);
        s.Select({QStringLiteral("a.txt"), QStringLiteral("b c.txt")});
        s.shell.OnCopyCommand(1);
        const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
        QVERIFY(copied);
        const QByteArray a = QFile::encodeName(File(QStringLiteral("a.txt")));
        const QByteArray bc = QFile::encodeName(File(QStringLiteral("b c.txt")));
        const QByteArray uris = QByteArray::fromStdString(EncodeFileUri(a.toStdString())) + "\r\n" +
                                QByteArray::fromStdString(EncodeFileUri(bc.toStdString())) + "\r\n";
        QCOMPARE(copied->data(QStringLiteral("text/uri-list")), uris);
        QVERIFY(copied->data(QStringLiteral("x-special/gnome-copied-files")).startsWith("copy\n"));
        QVERIFY(!copied->hasFormat(QStringLiteral("application/x-kde-cutselection")));
        QCOMPARE(copied->data(QStringLiteral("text/plain;charset=utf-8")), a + "\n" + bc + "\n");
        QCOMPARE(copied->data(QStringLiteral("application/x-zembrolt-rightmenu")),
                 QByteArray("\1\0\0\0", 4));

        s.shell.OnCopyCommand(2);
        const QMimeData* cut = QGuiApplication::clipboard()->mimeData();
        QVERIFY(cut->data(QStringLiteral("x-special/gnome-copied-files")).startsWith("cut\n"));
        QCOMPARE(cut->data(QStringLiteral("application/x-kde-cutselection")), QByteArray("1"));
        // Cut moves nothing itself: the file manager that pastes does.
        QVERIFY(QFile::exists(File(QStringLiteral("a.txt"))));
    }

    void delayedRenderingRunsOnceAndACancelGivesNothing() {
        int renders = 0;
        CResultDataSource source;
        CSelectionClipData data;
        data.formats = {6, 0, 1};
        source.Offer(data, [&](CSelectionClipData* d) {
            ++renders;
            d->paths = {"/x/y"};
            d->text = "/x/y\n";
            return true;
        });
        QVERIFY(source.hasFormat(QStringLiteral("text/uri-list")));
        QCOMPARE(renders, 0);
        QCOMPARE(source.data(QStringLiteral("text/uri-list")), QByteArray("file:///x/y\r\n"));
        QCOMPARE(source.text(), QStringLiteral("/x/y\n"));
        QCOMPARE(renders, 1);

        CResultDataSource cancelled;
        cancelled.Offer(data, [&](CSelectionClipData* d) {
            d->paths = {"/never"};
            return false;
        });
        QVERIFY(cancelled.data(QStringLiteral("text/uri-list")).isEmpty());
        QVERIFY(cancelled.data(QStringLiteral("text/plain")).isEmpty());
    }

    void dragOfMembersExtractsOnlyWhenTheTargetAsks() {
        WriteFile(File(QStringLiteral("pack.zip")),
                  QByteArray::fromStdString(zbtest::BuildZip({{"in.txt", "member"}}).bytes));
        Shell s;
        QCOMPARE(s.Find(QStringLiteral("in.txt"), m_files->path()), 1);
        s.Select({QStringLiteral("in.txt")});
        QByteArray uris;
        bool extractedBeforeAsked = true;
        bool rightMenu = true;
        bool idList = true;
        s.shell.SetDragRunner([&](QDrag* drag) {
            extractedBeforeAsked = !s.shell.ArchiveExtraction().GetExtractedFiles().empty();
            idList =
                drag->mimeData()->hasFormat(QStringLiteral("application/x-zembrolt-shell-idlist"));
            rightMenu =
                drag->mimeData()->data(QStringLiteral("application/x-zembrolt-rightmenu")) !=
                QByteArray("\0\0\0\0", 4);
            uris = drag->mimeData()->data(QStringLiteral("text/uri-list"));
            return Qt::CopyAction;
        });
        s.shell.BeginResultDrag(true);
        QVERIFY(!extractedBeforeAsked);
        QVERIFY(!idList);     // members have no shell items before they are extracted
        QVERIFY(!rightMenu);  // a drag with members is a left-button drag
        const std::vector<std::string> paths = ParseUriList(uris.toStdString());
        QCOMPARE(paths.size(), std::size_t{1});
        QCOMPARE(ReadFile(QFile::decodeName(paths[0].c_str())), QByteArray("member"));
        QVERIFY(s.shell.IsDataPrepared() == FALSE);  // the payload is reset after the drag
    }

    void dropsOnFolderRowsFollowTheKeysAndNeverOverwrite() {
        Shell s;
        QCOMPARE(s.Find(QStringLiteral("*"), m_files->path()), 7);
        QWidget* viewport = s.list->GetCurrentView()->viewport();
        const QPoint dst = s.RowPoint(QStringLiteral("dst"));
        const QString outside = m_home->filePath(QStringLiteral("out"));
        WriteFile(outside + QStringLiteral("/one.txt"), "1");
        WriteFile(outside + QStringLiteral("/dst.keep"), "other");

        Qt::DropAction over = Qt::IgnoreAction;
        const auto one = UriData({outside + QStringLiteral("/one.txt")});
        struct Case {
            Qt::KeyboardModifiers keys;
            Qt::DropAction action;
        };
        for (const Case& each : {Case{Qt::ControlModifier, Qt::CopyAction},
                                 Case{Qt::ShiftModifier | Qt::ControlModifier, Qt::LinkAction},
                                 Case{Qt::ShiftModifier, Qt::MoveAction}}) {
            QFile::remove(File(QStringLiteral("dst/one.txt")));
            QCOMPARE(DragAndDrop(viewport, dst, one.get(), each.keys, &over), each.action);
            QCOMPARE(over, each.action);
            QVERIFY(QFileInfo(File(QStringLiteral("dst/one.txt"))).exists() ||
                    QFileInfo(File(QStringLiteral("dst/one.txt"))).isSymLink());
            if (each.action != Qt::MoveAction)
                QVERIFY(QFile::exists(outside + QStringLiteral("/one.txt")));
        }
        QVERIFY(!QFile::exists(outside + QStringLiteral("/one.txt")));

        // A same-named file is never replaced; the source stays.
        const auto clash = UriData({outside + QStringLiteral("/dst.keep")});
        QCOMPARE(DragAndDrop(viewport, dst, clash.get(), Qt::ShiftModifier), Qt::IgnoreAction);
        QCOMPARE(ReadFile(File(QStringLiteral("dst/dst.keep"))), QByteArray("kept"));
        QCOMPARE(ReadFile(outside + QStringLiteral("/dst.keep")), QByteArray("other"));
        QVERIFY(!s.messages.isEmpty());

        // A file row takes nothing; a folder never goes into its own child.
        const auto src = UriData({File(QStringLiteral("src"))});
        QCOMPARE(
            DragAndDrop(viewport, s.RowPoint(QStringLiteral("a.txt")), src.get(), Qt::NoModifier),
            Qt::IgnoreAction);
        QCOMPARE(DragAndDrop(viewport, s.RowPoint(QStringLiteral("child")), src.get(),
                             Qt::NoModifier, &over),
                 Qt::IgnoreAction);
        QCOMPARE(over, Qt::IgnoreAction);
        QVERIFY(QFile::exists(File(QStringLiteral("src/child/x.dat"))));

        // A copy that fails (a socket cannot be copied) keeps the source.
        const QString box = outside + QStringLiteral("/box");
        WriteFile(box + QStringLiteral("/f"), "f");
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = QFile::encodeName(box + QStringLiteral("/s"));
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.constData());
        QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        QCOMPARE(DragAndDrop(viewport, dst, UriData({box}).get(), Qt::ControlModifier),
                 Qt::IgnoreAction);
        QVERIFY(!QFileInfo::exists(File(QStringLiteral("dst/box"))));
        QCOMPARE(ReadFile(box + QStringLiteral("/f")), QByteArray("f"));
        ::close(fd);
    }

    void listScrollsNearItsEdgesWhileDragging() {
        for (int i = 0; i < 200; ++i)
            WriteFile(File(QStringLiteral("many/f%1.txt").arg(i, 3, 10, QLatin1Char('0'))), "x");
        Shell s;
        QCOMPARE(s.Find(QStringLiteral("f*.txt"), File(QStringLiteral("many"))), 200);
        QAbstractItemView* view = s.list->GetCurrentView();
        QScrollBar* bar = view->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        const int height = view->viewport()->height();
        s.shell.OnDragScrollTimer(QPoint(10, height - 5));
        QCOMPARE(bar->value(), 1);
        s.shell.OnDragScrollTimer(QPoint(10, height / 2));
        QCOMPARE(bar->value(), 1);
        s.shell.OnDragScrollTimer(QPoint(10, 5));
        QCOMPARE(bar->value(), 0);
        // The timer runs while a drag is over the list, every 250 ms.
        QMimeData data;
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &enter);
        QVERIFY(s.shell.IsDragScrollTimerActive());
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(view->viewport(), &leave);
        QVERIFY(!s.shell.IsDragScrollTimerActive());
    }

    void treeFoldersTakeDropsAndOpenAfterEightTicks() {
        AnsweringDlg window;
        window.show();
        CFolderTreeCtrl* tree = window.FolderTree();
        QTreeWidgetItem* dst = SelectTreeFolder(tree, QStringLiteral("dst"));
        QVERIFY(dst);
        QCOMPARE(dst->text(0), QStringLiteral("dst"));
        const QString outside = m_home->filePath(QStringLiteral("t"));
        WriteFile(outside + QStringLiteral("/t.txt"), "t");
        const auto data = UriData({outside + QStringLiteral("/t.txt")});
        const QPoint point = tree->visualItemRect(dst).center();
        QCOMPARE(DragAndDrop(tree->viewport(), point, data.get(), Qt::ControlModifier),
                 Qt::CopyAction);
        QCOMPARE(ReadFile(File(QStringLiteral("dst/t.txt"))), QByteArray("t"));
        QCOMPARE(DragAndDrop(tree->viewport(), point, data.get(), Qt::ControlModifier),
                 Qt::IgnoreAction);
        QCOMPARE(ReadFile(File(QStringLiteral("dst/t.txt"))), QByteArray("t"));

        // Hovering over the folder "src": the 8th tick opens it.
        QTreeWidgetItem* src = SelectTreeFolder(tree, QStringLiteral("src"));
        src->setExpanded(false);
        const QPoint over = tree->visualItemRect(src).center();
        tree->OnDragEnter(data.get(), MK_LBUTTON, over);
        QVERIFY(tree->IsDragTimerActive());
        QCOMPARE(tree->GetDropHighlight(), src);
        for (int tick = 1; tick < 8; ++tick) {
            tree->OnDragTimer(over);
            QVERIFY(!src->isExpanded());
        }
        tree->OnDragTimer(over);
        QVERIFY(src->isExpanded());
        tree->OnDragLeave();
        QVERIFY(!tree->IsDragTimerActive());
        QVERIFY(!tree->GetDropHighlight());
    }

    void contextMenuShowsTheActionsAndDispatchesThem() {
        WriteFile(m_home->filePath(QStringLiteral("share/applications/viewer.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Text Viewer\nExec=/bin/true %F\n"
                  "MimeType=text/plain;\n");
        Shell s;
        QStringList fileManager;
        s.shell.SetFileManagerCaller(std::make_unique<RecordingFileManager>(&fileManager, true));
        QCOMPARE(s.Find(QStringLiteral("*.txt"), m_files->path()), 2);
        s.Select({QStringLiteral("a.txt")});
        QStringList seen;
        s.shell.SetMenuChooser(Choose(QStringLiteral("Explore location folder"), &seen));
        s.shell.ShowSelectionMenu(QPoint(0, 0));
        // Explore location folder first, then the own verbs, the desktop's
        // applications, the file operations and Properties.
        QCOMPARE(seen.mid(0, 5),
                 (QStringList{QStringLiteral("Explore location folder"), QStringLiteral("&Open"),
                              QStringLiteral("&Print"), QStringLiteral("&Edit"),
                              QStringLiteral("Open &With")}));
        QVERIFY(seen.contains(QStringLiteral("Text Viewer")));
        QCOMPARE(
            seen.mid(seen.size() - 5),
            (QStringList{QStringLiteral("&Copy"), QStringLiteral("Cu&t"), QStringLiteral("&Delete"),
                         QStringLiteral("Rena&me"), QStringLiteral("P&roperties")}));
        const QString uri =
            QString::fromStdString(EncodeFileUri(LocalPath(QStringLiteral("a.txt"))));
        QCOMPARE(fileManager,
                 QStringList{QStringLiteral("ShowItems ") + uri + QStringLiteral(" []")});

        // Properties: a sheet with the General page of the file.
        s.shell.SetMenuChooser(Choose(QStringLiteral("P&roperties"), nullptr));
        s.shell.ShowSelectionMenu(QPoint(0, 0));
        CFilePropertiesSheet* sheet = s.shell.LastPropertiesSheet();
        QVERIFY(sheet);
        QCOMPARE(sheet->GetPageCount(), 1);
        auto* page = qobject_cast<CFileGeneralPage*>(sheet->GetPage(0));
        QVERIFY(page);
        QCOMPARE(page->GetValue(QStringLiteral("Name:")), QStringLiteral("a.txt"));
        QCOMPARE(page->GetValue(QStringLiteral("Size:")), QStringLiteral("1 bytes"));
        sheet->OnCommand(IDOK);
        QTRY_VERIFY(!s.shell.LastPropertiesSheet());

        // Delete through the menu: the file goes to the Trash, its row leaves.
        s.Select({QStringLiteral("b c.txt")});
        s.shell.SetMenuChooser(Choose(QStringLiteral("&Delete"), nullptr));
        s.shell.ShowSelectionMenu(QPoint(0, 0));
        QVERIFY(!QFile::exists(File(QStringLiteral("b c.txt"))));
        QCOMPARE(s.model.GetRowCount(), 1);

        // A folder row's location is the folder holding it, with the row shown there.
        QVERIFY(QDir(m_files->path()).mkdir(QStringLiteral("inner")));
        QCOMPARE(s.Find(QStringLiteral("inner"), m_files->path()), 1);
        s.Select({QStringLiteral("inner")});
        s.shell.SetMenuChooser(Choose(QStringLiteral("Explore location folder"), nullptr));
        s.shell.ShowSelectionMenu(QPoint(0, 0));
        const QString folderUri =
            QString::fromStdString(EncodeFileUri(LocalPath(QStringLiteral("inner"))));
        QCOMPARE(fileManager.last(),
                 QStringLiteral("ShowItems ") + folderUri + QStringLiteral(" []"));
    }

    void treeFolderContextMenuOffersFolderVerbs() {
        AnsweringDlg window;
        window.show();
        CFolderTreeCtrl* tree = window.FolderTree();
        QTreeWidgetItem* dst = SelectTreeFolder(tree, QStringLiteral("dst"));
        QVERIFY(dst);
        QStringList seen;
        window.Shell().SetMenuChooser(Choose(QStringLiteral("P&roperties"), &seen));
        tree->OnRClick(tree->visualItemRect(dst).topLeft() + QPoint(2, 2));
        QCOMPARE(seen.mid(0, 3), (QStringList{QStringLiteral("E&xplore"), QStringLiteral("&Open"),
                                              QStringLiteral("S&earch")}));
        QVERIFY(!seen.contains(QStringLiteral("&Print")));  // a folder prints nothing
        QVERIFY(seen.contains(QStringLiteral("Rena&me")));
        CFilePropertiesSheet* sheet = window.Shell().LastPropertiesSheet();
        QVERIFY(sheet);
        auto* page = qobject_cast<CFileGeneralPage*>(sheet->GetPage(0));
        QVERIFY(page);
        QCOMPARE(page->GetValue(QStringLiteral("Name:")), QStringLiteral("dst"));
        QTRY_VERIFY(page->IsSizeFinal());
        QCOMPARE(page->GetValue(QStringLiteral("Contains:")), QStringLiteral("1 Files, 0 Folders"));
    }

    void namesThatAreNotUtf8ReachTheProgramsUnchanged() {
        StubPrograms({QStringLiteral("xdg-open"), QStringLiteral("lp"), QStringLiteral("viewer")});
        WriteFile(m_home->filePath(QStringLiteral("share/applications/stubviewer.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Stub Viewer\nExec=viewer %f\n"
                  "MimeType=text/plain;\n");
        WriteFile(m_home->filePath(QStringLiteral("config/mimeapps.list")),
                  "[Default Applications]\ntext/plain=stubviewer.desktop\n");
        const std::string folder = MakeFolderNotUtf8();
        const std::string file = folder +
                                 "/bad\xFF"
                                 "byte.txt";
        QVERIFY(Exists(file));
        Shell s;
        QStringList fileManager;  // no file manager answers: folders go to the opener
        s.shell.SetFileManagerCaller(std::make_unique<RecordingFileManager>(&fileManager, false));
        QVERIFY(QTest::qWaitForWindowActive(&s.window));
        QCOMPARE(s.Find(QStringLiteral("bad*"), m_files->path()), 1);
        QAbstractItemView* view = s.Select({QStringLiteral("bad\uFFFDbyte.txt")});
        const auto raw = [](const std::string& bytes) { return QByteArray::fromStdString(bytes); };
        const QByteArrayList openFile{"xdg-open", raw(EncodeFileUri(file))};

        // Enter, then each command of the row's menu.
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_COMPARE(WatchedProgramCount(), 0);
        QCOMPARE(TakeCalls(), QList<QByteArrayList>{openFile});
        using Commands = std::vector<std::pair<QString, QByteArrayList>>;
        const auto choose = [this, &s](const Commands& commands) {
            for (const auto& [item, call] : commands) {
                s.shell.SetMenuChooser(Choose(item, nullptr));
                s.shell.ShowSelectionMenu(QPoint(0, 0));
                QTRY_COMPARE(WatchedProgramCount(), 0);
                QCOMPARE(TakeCalls(), QList<QByteArrayList>{call});
            }
        };
        choose({
            {QStringLiteral("&Open"), openFile},
            {QStringLiteral("&Print"), {"lp", raw(file)}},
            {QStringLiteral("Explore location folder"), {"xdg-open", raw(EncodeFileUri(folder))}},
            {QStringLiteral("Stub Viewer"), {"viewer", raw(file)}},
            {QStringLiteral("&Edit"), {"viewer", raw(file)}},
        });

        // The folder's row: its Explore, and a folder verb of the registry.
        CRegKey verb;
        QCOMPARE(verb.Create(HKEY_CLASSES_ROOT, "Directory\\shell\\Stub Verb\\command"),
                 LONG(ERROR_SUCCESS));
        verb.SetString("", "viewer %1");
        verb.Close();
        QCOMPARE(s.Find(QStringLiteral("dir*"), m_files->path()), 1);
        s.Select({QStringLiteral("dir\uFFFD")});
        choose({
            {QStringLiteral("E&xplore"), {"xdg-open", raw(EncodeFileUri(folder))}},
            {QStringLiteral("Stub Verb"), {"viewer", raw(folder)}},
        });
        QVERIFY(s.messages.isEmpty());
    }

    void renamingANameThatIsNotUtf8KeepsTheBytesLeftAlone() {
        const std::string folder = MakeFolderNotUtf8();
        AnsweringDlg window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        Find(window, QStringLiteral("bad*"), m_files->path(), 1);
        QAbstractItemView* view = SelectRows(window, {QStringLiteral("bad\uFFFDbyte.txt")});

        // In place, only what was typed changes: at the end, then at the start.
        const auto editName = [&view](const QString& before, Qt::Key toward, Qt::Key erase,
                                      const QString& typed) {
            QTest::keyClick(view, Qt::Key_F2);
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            QVERIFY(editor);
            QCOMPARE(editor->text(), before);
            QTest::keyClick(editor, toward);
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(editor, erase);
            QTest::keyClicks(editor, typed);
            QTest::keyClick(editor, Qt::Key_Return);
        };
        editName(QStringLiteral("bad\uFFFDbyte.txt"), Qt::Key_End, Qt::Key_Backspace,
                 QStringLiteral("md"));
        QTRY_VERIFY(Exists(folder + "/bad\xFF"
                                    "byte.md"));
        editName(QStringLiteral("bad\uFFFDbyte.md"), Qt::Key_Home, Qt::Key_Delete,
                 QStringLiteral("good"));
        QTRY_VERIFY(Exists(folder + "/good\xFF"
                                    "byte.md"));
        QVERIFY(!Exists(folder + "/bad\xFF"
                                 "byte.txt"));
        QVERIFY(!Exists(folder + "/bad\xFF"
                                 "byte.md"));

        // The folder tree's Rename asks for the name in a box of its own.
        CFolderTreeCtrl* tree = window.FolderTree();
        QTreeWidgetItem* node = SelectTreeFolder(tree, folder);
        QVERIFY(node);
        QTimer::singleShot(0, [] {
            if (auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                box->setTextValue(box->textValue() + QStringLiteral("2"));
                box->accept();
            }
        });
        window.Shell().SetMenuChooser(Choose(QStringLiteral("Rena&me"), nullptr));
        tree->OnRClick(tree->visualItemRect(node).topLeft() + QPoint(2, 2));
        QVERIFY(Exists(folder + "2/good\xFF"
                                "byte.md"));
        QVERIFY(window.messages.isEmpty());

        // OK on the name as it was renames nothing and says nothing; the box asks.
        node = SelectTreeFolder(tree, folder + "2");
        QVERIFY(node);
        QString prompt;
        QTimer::singleShot(0, [&prompt] {
            if (auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                prompt = box->labelText();
                box->accept();
            }
        });
        tree->OnRClick(tree->visualItemRect(node).topLeft() + QPoint(2, 2));
        QVERIFY(prompt.startsWith(QStringLiteral("New name of")));
        QVERIFY(Exists(folder + "2"));
        QVERIFY(window.messages.isEmpty());
    }

    void propertiesSheetFollowsItsPages() {
        QWidget owner;
        auto* sheet = new CFilePropertiesSheet(&owner);
        QPointer<CFilePropertiesSheet> alive(sheet);
        auto* first = new AnsweringPage;
        auto* second = new AnsweringPage;
        sheet->AddPage(first, QStringLiteral("1"));
        sheet->AddPage(second, QStringLiteral("2"));
        QVERIFY(sheet->ShowWithPages());
        QVERIFY(sheet->isVisible());
        QCOMPARE(sheet->GetPageCount(), 2);  // the placeholder is gone

        first->apply = false;
        QVERIFY(!sheet->OnCommand(IDOK));  // refused: stays open, later pages get nothing
        QCOMPARE(second->applies, 0);
        first->apply = true;
        QVERIFY(sheet->OnCommand(ID_APPLY_NOW));  // Apply keeps the sheet open
        QCOMPARE(second->applies, 1);
        first->killActive = false;
        QVERIFY(!sheet->OnCommand(ID_APPLY_NOW));
        QCOMPARE(second->applies, 1);
        first->killActive = true;
        second->queryCancel = false;
        QVERIFY(!sheet->OnCommand(IDCANCEL));
        sheet->close();  // the close box asks like Cancel
        QCoreApplication::processEvents();
        QVERIFY(alive && alive->isVisible());
        second->queryCancel = true;
        QVERIFY(sheet->OnCommand(IDCANCEL));
        QTRY_VERIFY(!alive);  // it deleted itself

        auto* empty = new CFilePropertiesSheet(&owner);
        QPointer<CFilePropertiesSheet> gone(empty);
        QVERIFY(!empty->ShowWithPages());
        QTRY_VERIFY(!gone);
    }

    void generalPageSumsFoldersAndShowsTimes() {
        WriteFile(File(QStringLiteral("sum/a")), "123");
        WriteFile(File(QStringLiteral("sum/in/b")), "4567");
        CFileGeneralPage page({LocalPath(QStringLiteral("sum"))});
        QTRY_VERIFY(page.IsSizeFinal());
        QCOMPARE(page.GetValue(QStringLiteral("Size:")), QStringLiteral("7 bytes"));
        QCOMPARE(page.GetValue(QStringLiteral("Contains:")), QStringLiteral("2 Files, 1 Folders"));
        QVERIFY(!page.GetValue(QStringLiteral("Created:")).isEmpty());
        QVERIFY(page.GetValue(QStringLiteral("Permissions:")).startsWith(QLatin1Char('d')));

        // An item gone meanwhile leaves the page to the one still there.
        CFileGeneralPage rest(
            {LocalPath(QStringLiteral("moved-away.txt")), LocalPath(QStringLiteral("sum"))});
        QTRY_VERIFY(rest.IsSizeFinal());
        QCOMPARE(rest.GetValue(QStringLiteral("Name:")), QStringLiteral("sum"));
        QCOMPARE(rest.GetValue(QStringLiteral("Type:")), page.GetValue(QStringLiteral("Type:")));
        QCOMPARE(rest.GetValue(QStringLiteral("Size:")), QStringLiteral("7 bytes"));
        QCOMPARE(rest.GetValue(QStringLiteral("Contains:")), QStringLiteral("2 Files, 1 Folders"));
    }
};

ZB_GUI_TEST(ShellOpsTest);
#include "ShellOpsTest.moc"
