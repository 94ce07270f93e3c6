#include "app/MainWindowGeometry.h"

#include <algorithm>

int ClampLeftPaneWidth(int wanted, int clientWidth, int minimum) {
    const int width = std::max(std::min(wanted, clientWidth - 10), minimum);
    return std::clamp(width, minimum, std::max(minimum, kMaxLeftPaneWidth));
}

void ClampSavedRect(SavedWindowRect& rect, int desktopWidth, int desktopHeight) {
    rect.left = std::max(rect.left, 0);
    rect.top = std::max(rect.top, 0);
    rect.right = std::min(rect.right, desktopWidth);
    rect.bottom = std::min(rect.bottom, desktopHeight);
    rect.left = std::min(rect.left, desktopWidth - kMainWindowMinWidth);
    rect.top = std::min(rect.top, desktopHeight - kMainWindowMinHeight);
}
