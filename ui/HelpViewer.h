#pragma once
// The program's help: a folder of HTML pages, one per dialog plus the
// contents page "index.html", shown in the program's own help window.
//
// The folder is $ZEMBROLT_HELP_DIR when that is set, else
// <program folder>/../share/zembrolt/help (the installed place), else a
// "help" folder beside the program or beside one of its parent folders (a
// build tree inside the source tree).

#include <QString>
#include <QTextBrowser>
#include <QUrl>

inline constexpr char kHelpContentsPage[] = "index.html";

// The help folder, or an empty string when no folder with a contents page
// is found.
QString GetHelpFolder();
// The help file's contents page (its path), or an empty string.
QString GetHelpFilePath();

// The window that shows help pages. One exists at a time. It has no owner,
// except while a modal dialog is up: then it is a window of that dialog, so
// the dialog's modality does not block it, and it becomes its own window
// again when the dialog closes.
class CHelpViewer : public QTextBrowser {
    Q_OBJECT
public:
    // The open help window, or nullptr.
    static CHelpViewer* Current();

    // Shows `page` of the help folder; an empty page, or one that is not
    // installed, shows the contents page. Without any help pages the window
    // says so. Returns whether a page of the help folder is shown.
    bool ShowPage(const QString& page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CHelpViewer();
    ~CHelpViewer() override;

    // Makes the viewer usable beside the modal window now up, if any.
    void FollowModalWindow();
    // Moves the viewer to `owner` (a window of it, or its own window when
    // null), keeping its place and size on the screen.
    void MoveTo(QWidget* owner);

    friend void OpenHelp(const QString& page);
    friend void CloseHelp();
};

// Opens the help window (or brings it up) at `page`, or at the contents when
// the page is empty.
void OpenHelp(const QString& page = QString());
// Closes the help window.
void CloseHelp();
