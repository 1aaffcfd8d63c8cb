// Another program's part for the hack's tests. "WxH": a plain window that never draws itself,
// mapped, its id printed, then kept until the process is ended. "close ID": the window
// manager's close request (WM_DELETE_WINDOW) sent to window ID.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Host(Display* display, unsigned width, unsigned height) {
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.event_mask = StructureNotifyMask;
    const Window window =
        XCreateWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    XStoreName(display, window, "host_window");
    XMapWindow(display, window);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify) {
            std::printf("0x%lx\n", window);
            std::fflush(stdout);
        }
    }
}

int SendClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned width = 0;
    unsigned height = 0;
    unsigned long window = 0;
    const bool host = argc == 2 && std::sscanf(argv[1], "%ux%u", &width, &height) == 2;
    const bool close = argc == 3 && std::strcmp(argv[1], "close") == 0 &&
                       std::sscanf(argv[2], "%lx", &window) == 1;
    if (!host && !close) {
        std::fprintf(stderr, "usage: host_window WxH | host_window close ID\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "host_window: no display\n");
        return 1;
    }
    return host ? Host(display, width, height) : SendClose(display, window);
}
