#include "platform/X11Windows.h"

#include <X11/Xutil.h>

namespace zb {

namespace {

// Errors of the lookup's requests (a window destroyed between the listing and
// the question about it) are expected and ignored.
int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}

bool HasClassAndTitle(Display* display, Window window, const std::string& windowClass,
                      const std::string& title) {
    bool matches = false;
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint) != 0) {
        matches = hint.res_class != nullptr && windowClass == hint.res_class;
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    if (!matches)
        return false;
    char* name = nullptr;
    if (XFetchName(display, window, &name) == 0 || name == nullptr)
        return false;
    matches = title == name;
    XFree(name);
    return matches;
}

}  // namespace

Window FindWindowByClassAndTitle(Display* display, const std::string& windowClass,
                                 const std::string& title) {
    XSync(display, False);
    const auto previous = XSetErrorHandler(IgnoreError);
    Window found = None;
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && found == None; ++i) {
            if (HasClassAndTitle(display, children[i], windowClass, title))
                found = children[i];
        }
        XFree(children);
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    return found;
}

void SendCloseMessage(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSync(display, False);
    const auto previous = XSetErrorHandler(IgnoreError);  // the window may be gone already
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XSetErrorHandler(previous);
}

bool IsCloseMessage(Display* display, const XEvent& event) {
    return event.type == ClientMessage && event.xclient.format == 32 &&
           event.xclient.message_type == XInternAtom(display, "WM_PROTOCOLS", False) &&
           static_cast<Atom>(event.xclient.data.l[0]) ==
               XInternAtom(display, "WM_DELETE_WINDOW", False);
}

}  // namespace zb
