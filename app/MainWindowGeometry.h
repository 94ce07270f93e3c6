#pragma once
// The main window's sizes: its smallest size, how far the splitter moves the
// left pane, and where a saved window rectangle may lie on the desktop.

// Smallest window size, in pixels.
constexpr int kMainWindowMinWidth = 560;
constexpr int kMainWindowMinHeight = 440;

// The widest the splitter makes the left pane (wider only when its minimum is).
constexpr int kMaxLeftPaneWidth = 620;

// The left pane's width for a splitter dragged to `wanted`: at most the
// client width less 10, at least `minimum`, and at most kMaxLeftPaneWidth.
int ClampLeftPaneWidth(int wanted, int clientWidth, int minimum);

// A saved window rectangle (left, top, right, bottom).
struct SavedWindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Keeps a saved rectangle on a desktop of the given size: left and top at
// least 0, right and bottom at most the desktop's, and left and top far
// enough from the far edges for a window of the smallest size.
void ClampSavedRect(SavedWindowRect& rect, int desktopWidth, int desktopHeight);
