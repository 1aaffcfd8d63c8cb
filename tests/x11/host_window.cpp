// A window of another program for the hack to draw on: a plain window that never draws itself,
// mapped, its id printed, then kept until the process is ended.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    unsigned width = 0;
    unsigned height = 0;
    if (argc != 2 || std::sscanf(argv[1], "%ux%u", &width, &height) != 2) {
        std::fprintf(stderr, "usage: host_window WxH\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "host_window: no display\n");
        return 1;
    }
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
