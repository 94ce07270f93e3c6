#include "ui/HelpViewer.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QTimer>

namespace {

constexpr int kParentFoldersSearched = 4;

CHelpViewer* g_viewer = nullptr;

bool HasContents(const QString& folder) {
    return QFileInfo(QDir(folder).filePath(QString::fromLatin1(kHelpContentsPage))).isFile();
}

// A page name is a plain file name inside the help folder.
bool IsPlainPageName(const QString& page) {
    return !page.isEmpty() && !page.contains(QLatin1Char('/')) &&
           !page.contains(QLatin1Char('\\')) && page != QLatin1String(".") &&
           page != QLatin1String("..");
}

}  // namespace

QString GetHelpFolder() {
    const QString fromEnvironment = qEnvironmentVariable("ZEMBROLT_HELP_DIR");
    if (!fromEnvironment.isEmpty())
        return HasContents(fromEnvironment) ? QDir(fromEnvironment).absolutePath() : QString();

    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QString installed =
        QDir::cleanPath(programFolder.filePath(QStringLiteral("../share/zembrolt/help")));
    if (HasContents(installed))
        return installed;

    QDir folder = programFolder;
    for (int level = 0; level <= kParentFoldersSearched; ++level) {
        const QString candidate = folder.filePath(QStringLiteral("help"));
        if (HasContents(candidate))
            return QDir::cleanPath(candidate);
        if (!folder.cdUp())
            break;
    }
    return {};
}

QString GetHelpFilePath() {
    const QString folder = GetHelpFolder();
    return folder.isEmpty() ? QString()
                            : QDir(folder).filePath(QString::fromLatin1(kHelpContentsPage));
}

CHelpViewer* CHelpViewer::Current() {
    return g_viewer;
}

CHelpViewer::CHelpViewer() {
    setAttribute(Qt::WA_DeleteOnClose);
    setOpenExternalLinks(true);
    setWindowTitle(QStringLiteral("Zembrolt Help"));
    resize(720, 560);
    g_viewer = this;
}

CHelpViewer::~CHelpViewer() {
    if (g_viewer == this)
        g_viewer = nullptr;
}

bool CHelpViewer::ShowPage(const QString& page) {
    const QString folder = GetHelpFolder();
    if (folder.isEmpty()) {
        setSource(QUrl());
        setHtml(
            QStringLiteral("<h2>Help is not installed</h2><p>The help pages of Zembrolt "
                           "were not found. Set ZEMBROLT_HELP_DIR to the folder that holds "
                           "them.</p>"));
        return false;
    }
    const QDir dir(folder);
    QString file = dir.filePath(QString::fromLatin1(kHelpContentsPage));
    if (IsPlainPageName(page) && QFileInfo(dir.filePath(page)).isFile())
        file = dir.filePath(page);
    setSearchPaths({folder});
    setSource(QUrl::fromLocalFile(file));
    return true;
}

void CHelpViewer::FollowModalWindow() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == this || modal == parentWidget())
        return;
    MoveTo(modal);
}

void CHelpViewer::MoveTo(QWidget* owner) {
    if (QWidget* previous = parentWidget())
        previous->removeEventFilter(this);
    const bool shown = isVisible();
    const QRect place = geometry();
    setParent(owner, Qt::Window);
    if (owner)
        owner->installEventFilter(this);
    if (shown) {
        setGeometry(place);
        show();
    }
}

bool CHelpViewer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() &&
        (event->type() == QEvent::Hide || event->type() == QEvent::Destroy)) {
        // The dialog goes: the help stays, beside whichever modal window is
        // still up once the dialog has left.
        MoveTo(nullptr);
        QTimer::singleShot(0, this, [this] { FollowModalWindow(); });
    }
    return QTextBrowser::eventFilter(watched, event);
}

void OpenHelp(const QString& page) {
    CHelpViewer* viewer = g_viewer ? g_viewer : new CHelpViewer;
    viewer->FollowModalWindow();
    viewer->ShowPage(page);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
}

void CloseHelp() {
    // Deleted at once, so a following OpenHelp makes a fresh window.
    delete g_viewer;
}
