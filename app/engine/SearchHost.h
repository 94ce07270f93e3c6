#pragma once
// What a search does to the window besides its rows (those go to the list's
// IResultListView): the Find/Stop button, the status bar, the commands that
// must not run meanwhile. The window implements it and carries each call over
// to its own thread; a search never waits for the window. Tests implement it
// with a recorder.

#include <string>

class ISearchHost {
public:
    virtual ~ISearchHost() = default;
    // The Find button shows "Search" when `ready`, "Stop" while a search runs.
    virtual void SetSearchButtonState(bool ready) = 0;
    // The first part of the status bar.
    virtual void SetStatusText(const std::string& text) = 0;
    // The "look in" box shows the place being searched (a multi-folder
    // search, as it moves from folder to folder).
    virtual void SetLookInText(const std::string& text) = 0;
    // Disable / enable the commands that must not run during a search.
    virtual void BeginSearchUi() = 0;
    virtual void EndSearchUi() = 0;
    // Removes the duplicate finder's "Dup No" column and its values.
    virtual void RemoveDupNoColumn() = 0;
    // Activates the window and brings it to the top.
    virtual void BringToFront() = 0;
    // The end-of-search beep and the cursor refresh.
    virtual void SearchEnded() = 0;
};
