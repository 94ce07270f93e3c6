#pragma once
// Finding and closing another program's window on the X display by its class
// and title, as the main program and the hot-key watcher do with the
// watcher's window. The lookup tolerates windows that vanish meanwhile and
// leaves the process's X error handler as it found it.

#include <X11/Xlib.h>

#include <string>

namespace zb {

// The first child of the root window whose WM_CLASS class is `windowClass`
// and whose WM_NAME is `title`, or None.
Window FindWindowByClassAndTitle(Display* display, const std::string& windowClass,
                                 const std::string& title);

// Asks `window` to close: a WM_PROTOCOLS client message with WM_DELETE_WINDOW,
// flushed to the server. The window's owner ends it when it reads the message.
void SendCloseMessage(Display* display, Window window);

// Whether `event` is that request.
bool IsCloseMessage(Display* display, const XEvent& event);

}  // namespace zb
