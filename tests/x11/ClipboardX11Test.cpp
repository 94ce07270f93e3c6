// Copy in the main window on a real X server: the CLIPBOARD selection holds
// the file managers' formats, read back by another X client (xclip). The
// test starts its own Xvfb; where Xvfb is not installed it is skipped
// (exit status 77).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/MainMenuTable.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ZembroltDlg.h"
#include "platform/DesktopEntry.h"
#include "platform/UriList.h"

// The session bus library Qt's X11 platform loads keeps a buffer for the
// process's life; the leak checker of the sanitizer build is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

namespace {

constexpr int kSkipped = 77;
constexpr int kWaitMs = 20000;

int Fail(const char* what) {
    std::fprintf(stderr, "FAIL: %s\n", what);
    return 1;
}

// Starts Xvfb on a free display it picks itself; its pid, and the display
// name in `display`, or -1.
pid_t StartXvfb(const std::string& program, std::string* display) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const std::string fd = std::to_string(pipeFds[1]);
        ::execl(program.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24",
                "-nolisten", "tcp", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string number;
    char c = 0;
    while (child > 0 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(pipeFds[0]);
    if (number.empty()) {
        if (child > 0) {
            ::kill(child, SIGTERM);
            ::waitpid(child, nullptr, 0);
        }
        return -1;
    }
    *display = ":" + number;
    return child;
}

// What xclip reads from the CLIPBOARD as `target`, while this program's
// event loop serves the selection.
QByteArray ReadClipboard(const QString& xclip, const QString& target) {
    QProcess reader;
    reader.start(xclip, {QStringLiteral("-o"), QStringLiteral("-selection"),
                         QStringLiteral("clipboard"), QStringLiteral("-t"), target});
    QElapsedTimer waited;
    waited.start();
    while (reader.state() != QProcess::NotRunning && waited.elapsed() < kWaitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        reader.waitForFinished(10);
    }
    if (reader.state() != QProcess::NotRunning) {
        reader.kill();
        reader.waitForFinished();
        return QByteArray("<timed out>");
    }
    return reader.readAllStandardOutput();
}

int RunCopyTest(const QString& xclip) {
    QTemporaryDir files;
    for (const char* name : {"one file.txt", "two#2.txt"}) {
        QFile file(files.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly))
            return Fail("cannot write the files");
        file.write("x");
    }
    CZembroltDlg window;
    window.show();
    window.FileNameCombo()->setEditText(QStringLiteral("*.txt"));
    window.LookInCombo()->setEditText(files.path());
    window.OnFind();
    QElapsedTimer waited;
    waited.start();
    while ((window.IsSearching() || window.ResultModel()->GetRowCount() < 2) &&
           waited.elapsed() < kWaitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (window.ResultModel()->GetRowCount() != 2)
        return Fail("the search did not find both files");
    window.ResultList()->SelectAll();
    window.OnCommand(ID_EDIT_COPY);

    std::string uris;
    std::string gnome = "copy";
    for (int row = 0; row < 2; ++row) {
        std::string path;
        window.ResultModel()->GetRecord(row)->GetFilePath(&path);
        const std::string uri = EncodeFileUri(path);
        uris += uri;
        uris += "\r\n";
        gnome += '\n';
        gnome += uri;
    }
    const QByteArray uriList = ReadClipboard(xclip, QStringLiteral("text/uri-list"));
    if (uriList != QByteArray::fromStdString(uris)) {
        std::fprintf(stderr, "text/uri-list: %s\n", uriList.constData());
        return Fail("text/uri-list differs");
    }
    const QByteArray copied = ReadClipboard(xclip, QStringLiteral("x-special/gnome-copied-files"));
    if (copied != QByteArray::fromStdString(gnome)) {
        std::fprintf(stderr, "x-special/gnome-copied-files: %s\n", copied.constData());
        return Fail("x-special/gnome-copied-files differs");
    }
    std::printf("PASS: the CLIPBOARD holds the copied files\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string xvfb = zb::FindProgram("Xvfb");
    if (xvfb.empty()) {
        std::printf("SKIP: Xvfb is not installed\n");
        return kSkipped;
    }
    const std::string xclip = zb::FindProgram("xclip");
    if (xclip.empty())
        return Fail("xclip is not installed (scripts/install-deps.sh installs it)");

    char pattern[] = "/tmp/zembrolt-x11-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (!made)
        return Fail("no temporary folder");
    const std::string root = made;
    for (const char* sub : {"home", "config", "data", "cache", "runtime", "tmp"})
        std::filesystem::create_directories(root + "/" + sub);
    std::filesystem::permissions(root + "/runtime", std::filesystem::perms::owner_all);
    ::setenv("HOME", (root + "/home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (root + "/cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
    ::setenv("TMPDIR", (root + "/tmp").c_str(), 1);

    std::string display;
    const pid_t server = StartXvfb(xvfb, &display);
    if (server < 0)
        return Fail("Xvfb did not start");
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    int result = 1;
    {
        QApplication app(argc, argv);
        result = RunCopyTest(QString::fromStdString(xclip));
    }
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return result;
}
