// torvex: the effect as an XScreenSaver hack. It draws on the window XScreenSaver gives it, on
// the root window, on any window named by its id, or on a window of its own.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/stepping_clock.h"
#include "effect/blasts.h"
#include "x11/hack_options.h"
#include "x11/pixel_format.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int ExitFailure = 1;

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "torvex: %s\n", message.c_str());
    std::exit(ExitFailure);
}

std::string HexId(unsigned long id) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

// X errors arrive asynchronously, long after the request; the handler only records the first.
int firstErrorCode = Success;

int RecordError(Display* /*display*/, XErrorEvent* event) {
    if (firstErrorCode == Success) {
        firstErrorCode = event->error_code;
    }
    return 0;
}

// The picture in the server's layout, in shared memory when the server offers it.
struct Surface {
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool shared = false;
};

struct Hack {
    Display* display = nullptr;
    Window window = 0;
    bool ownWindow = false;
    Visual* visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    Atom deleteWindow = 0;
    Surface surface;
    PixelFormat format;
    int signals = -1;
};

// SIGTERM and SIGINT reach the loop as a readable descriptor, so that a signal between a check
// and the wait cannot be lost.
int BlockEndSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
        Fail(std::string("cannot block signals: ") + std::strerror(errno));
    }
    const int fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) {
        Fail(std::string("cannot watch signals: ") + std::strerror(errno));
    }
    return fd;
}

Display* OpenDisplay() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        Fail("no display: DISPLAY is not set");
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        Fail(std::string("cannot open display '") + name + "'");
    }
    XSetErrorHandler(RecordError);
    return display;
}

// The given window's attributes, or false when it names no window.
bool QueryWindow(Display* display, Window window, XWindowAttributes* attributes) {
    XSync(display, False);
    firstErrorCode = Success;
    const Status status = XGetWindowAttributes(display, window, attributes);
    XSync(display, False);
    const bool found = status != 0 && firstErrorCode == Success;
    firstErrorCode = Success;
    return found;
}

Window CreateOwnWindow(Hack& hack, const HackOptions& options) {
    Display* display = hack.display;
    const int screen = DefaultScreen(display);
    const unsigned long black = BlackPixel(display, screen);
    const Window window = XCreateSimpleWindow(
        display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(options.width),
        static_cast<unsigned>(options.height), 0, black, black);
    XStoreName(display, window, "TORVEX");
    XClassHint hint{const_cast<char*>("torvex"), const_cast<char*>("Torvex")};
    XSetClassHint(display, window, &hint);
    hack.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &hack.deleteWindow, 1);
    XSelectInput(display, window,
                 KeyPressMask | ButtonPressMask | StructureNotifyMask | ExposureMask);
    XMapWindow(display, window);
    return window;
}

void ChooseWindow(Hack& hack, const HackOptions& options) {
    switch (options.target) {
        case HackOptions::Target::OwnWindow:
            hack.window = CreateOwnWindow(hack, options);
            hack.ownWindow = true;
            break;
        case HackOptions::Target::Root:
            hack.window = DefaultRootWindow(hack.display);
            break;
        case HackOptions::Target::GivenWindow:
            hack.window = options.windowId;
            break;
    }
    XWindowAttributes attributes;
    if (!QueryWindow(hack.display, hack.window, &attributes)) {
        Fail("no window " + HexId(hack.window) + " on this display");
    }
    if (!hack.ownWindow) {
        // Another client's window: only what any number of clients may select.
        XSelectInput(hack.display, hack.window, StructureNotifyMask | ExposureMask);
    }
    if (attributes.visual->c_class != TrueColor) {
        static const char* const classes[] = {"StaticGray",  "GrayScale", "StaticColor",
                                              "PseudoColor", "TrueColor", "DirectColor"};
        const int c = attributes.visual->c_class;
        Fail("unsupported visual on window " + HexId(hack.window) + ": " +
             (c >= 0 && c <= 5 ? classes[c] : "unknown") + " at depth " +
             std::to_string(attributes.depth) + ", only TrueColor is drawn");
    }
    hack.visual = attributes.visual;
    hack.depth = attributes.depth;
    ScreenWidth = static_cast<int16_t>(attributes.width < INT16_MAX ? attributes.width : INT16_MAX);
    ScreenHeight =
        static_cast<int16_t>(attributes.height < INT16_MAX ? attributes.height : INT16_MAX);
    hack.gc = XCreateGC(hack.display, hack.window, 0, nullptr);
    XSetForeground(hack.display, hack.gc, WhitePixel(hack.display, DefaultScreen(hack.display)));
    XSetBackground(hack.display, hack.gc, BlackPixel(hack.display, DefaultScreen(hack.display)));
}

bool CreateSharedImage(Hack& hack, int width, int height) {
    Surface& surface = hack.surface;
    if (XShmQueryExtension(hack.display) == 0) {
        return false;
    }
    surface.image = XShmCreateImage(hack.display, hack.visual, static_cast<unsigned>(hack.depth),
                                    ZPixmap, nullptr, &surface.shm, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height));
    if (surface.image == nullptr) {
        return false;
    }
    const size_t bytes = static_cast<size_t>(surface.image->bytes_per_line) *
                         static_cast<size_t>(surface.image->height);
    surface.shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (surface.shm.shmid < 0) {
        XDestroyImage(surface.image);
        surface.image = nullptr;
        return false;
    }
    void* address = shmat(surface.shm.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(surface.shm.shmid, IPC_RMID, nullptr);
        XDestroyImage(surface.image);
        surface.image = nullptr;
        return false;
    }
    surface.shm.shmaddr = surface.image->data = static_cast<char*>(address);
    surface.shm.readOnly = False;
    firstErrorCode = Success;
    const Status attached = XShmAttach(hack.display, &surface.shm);
    XSync(hack.display, False);
    // From here the segment goes with its last detach, however this process ends.
    shmctl(surface.shm.shmid, IPC_RMID, nullptr);
    if (attached == 0 || firstErrorCode != Success) {
        // A server on another machine refuses the segment: draw through the socket.
        firstErrorCode = Success;
        shmdt(surface.shm.shmaddr);
        surface.image->data = nullptr;
        XDestroyImage(surface.image);
        surface.image = nullptr;
        return false;
    }
    surface.shared = true;
    return true;
}

void CreatePlainImage(Hack& hack, int width, int height) {
    XImage* image =
        XCreateImage(hack.display, hack.visual, static_cast<unsigned>(hack.depth), ZPixmap, 0,
                     nullptr, static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (image == nullptr) {
        Fail("cannot make a " + std::to_string(width) + "x" + std::to_string(height) + " image");
    }
    image->data = static_cast<char*>(
        std::calloc(static_cast<size_t>(image->bytes_per_line), static_cast<size_t>(height)));
    if (image->data == nullptr) {
        XDestroyImage(image);
        Fail("out of memory for a " + std::to_string(width) + "x" + std::to_string(height) +
             " image");
    }
    hack.surface.image = image;
    hack.surface.shared = false;
}

void DestroySurface(Hack& hack) {
    Surface& surface = hack.surface;
    if (surface.image == nullptr) {
        return;
    }
    if (surface.shared) {
        XShmDetach(hack.display, &surface.shm);
        XSync(hack.display, False);
        shmdt(surface.shm.shmaddr);
        surface.image->data = nullptr;
    }
    XDestroyImage(surface.image);
    surface.image = nullptr;
    surface.shared = false;
}

void CreateSurface(Hack& hack, int width, int height) {
    if (!CreateSharedImage(hack, width, height)) {
        CreatePlainImage(hack, width, height);
    }
    const XImage* image = hack.surface.image;
    hack.format.bitsPerPixel = image->bits_per_pixel;
    hack.format.mostSignificantFirst = image->byte_order == MSBFirst;
    hack.format.redMask = static_cast<uint32_t>(hack.visual->red_mask);
    hack.format.greenMask = static_cast<uint32_t>(hack.visual->green_mask);
    hack.format.blueMask = static_cast<uint32_t>(hack.visual->blue_mask);
    if (!IsSupportedFormat(hack.format)) {
        char masks[96];
        std::snprintf(masks, sizeof masks, "masks 0x%lx 0x%lx 0x%lx", hack.visual->red_mask,
                      hack.visual->green_mask, hack.visual->blue_mask);
        DestroySurface(hack);
        Fail("unsupported visual on window " + HexId(hack.window) + ": " +
             std::to_string(image->bits_per_pixel) + " bits per pixel, " + masks);
    }
}

// What the window's creation runs, at the window's present size.
void StartAtSize(Hack& hack) {
    DestroySurface(hack);
    StartEffect();
    if (ScreenBuffer.GetBits() == nullptr) {
        Fail("out of memory for a " + std::to_string(ScreenWidth) + "x" +
             std::to_string(ScreenHeight) + " buffer");
    }
    CreateSurface(hack, ScreenWidth, ScreenHeight);
}

// The whole picture in one request; the wait for the server keeps the shared segment from
// being rewritten while the server still reads it.
void Present(Hack& hack) {
    XImage* image = hack.surface.image;
    if (hack.surface.shared) {
        XShmPutImage(hack.display, hack.window, hack.gc, image, 0, 0, 0, 0,
                     static_cast<unsigned>(image->width), static_cast<unsigned>(image->height),
                     False);
    } else {
        XPutImage(hack.display, hack.window, hack.gc, image, 0, 0, 0, 0,
                  static_cast<unsigned>(image->width), static_cast<unsigned>(image->height));
    }
}

void DrawFps(Hack& hack, int ticksPerSecond, double composeMilliseconds) {
    char text[64];
    const int length = std::snprintf(text, sizeof text, " %d ticks/s  compose %.2f ms ",
                                     ticksPerSecond, composeMilliseconds);
    XDrawImageString(hack.display, hack.window, hack.gc, 4, 16, text, length);
}

// Ticks per second over the last whole second, and the mean compose time in it; until the
// first whole second, over the time so far.
struct FpsMeter {
    Clock::time_point since = Clock::now();
    int ticks = 0;
    double composeSeconds = 0;
    bool wholeSecond = false;
    int shownTicks = 0;
    double shownCompose = 0;

    void Count(double seconds) {
        ++ticks;
        composeSeconds += seconds;
        const Clock::time_point now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - since).count();
        if (elapsed >= 1.0 || !wholeSecond) {
            shownTicks = static_cast<int>(ticks / elapsed + 0.5);
            shownCompose = 1000.0 * composeSeconds / ticks;
        }
        if (elapsed >= 1.0) {
            wholeSecond = true;
            ticks = 0;
            composeSeconds = 0;
            since = now;
        }
    }
};

enum class Next { Continue, End };

// The one thing that ends a run on another client's window quietly: the window is gone.
Next CheckErrors(Hack& hack) {
    if (firstErrorCode == Success) {
        return Next::Continue;
    }
    const int code = firstErrorCode;
    XWindowAttributes attributes;
    if (!QueryWindow(hack.display, hack.window, &attributes)) {
        return Next::End;
    }
    char text[128];
    XGetErrorText(hack.display, code, text, sizeof text);
    Fail(std::string("X error: ") + text);
}

struct Run {
    const HackOptions* options = nullptr;
    int64_t ticksDone = 0;
    bool stopped = false;
    int newWidth = ScreenWidth;
    int newHeight = ScreenHeight;
    FpsMeter fps;
};

Next OnConfigure(Hack& hack, Run& run, const XConfigureEvent& event) {
    if (event.window != hack.window) {
        return Next::Continue;
    }
    // Only the last size of a burst counts: each restart builds the frames anew.
    run.newWidth = event.width < INT16_MAX ? event.width : INT16_MAX;
    run.newHeight = event.height < INT16_MAX ? event.height : INT16_MAX;
    return Next::Continue;
}

void RestartAtNewSize(Hack& hack, Run& run) {
    if (run.newWidth == ScreenWidth && run.newHeight == ScreenHeight) {
        return;
    }
    ScreenWidth = static_cast<int16_t>(run.newWidth);
    ScreenHeight = static_cast<int16_t>(run.newHeight);
    StartAtSize(hack);
    run.ticksDone = 0;
    run.stopped = false;
}

Next OnEvent(Hack& hack, Run& run, const XEvent& event) {
    switch (event.type) {
        case ConfigureNotify:
            return OnConfigure(hack, run, event.xconfigure);
        case Expose:
            if (run.stopped && event.xexpose.count == 0) {
                Present(hack);
            }
            return Next::Continue;
        case DestroyNotify:
            return event.xdestroywindow.window == hack.window ? Next::End : Next::Continue;
        case KeyPress:
        case ButtonPress:
            return hack.ownWindow ? Next::End : Next::Continue;
        case ClientMessage:
            return hack.ownWindow && static_cast<Atom>(event.xclient.data.l[0]) == hack.deleteWindow
                       ? Next::End
                       : Next::Continue;
        default:
            return Next::Continue;
    }
}

void Tick(Hack& hack, Run& run) {
    const Clock::time_point before = Clock::now();
    ComposeTick();
    const double composeSeconds = std::chrono::duration<double>(Clock::now() - before).count();
    ConvertPicture(ScreenBuffer, hack.format, reinterpret_cast<uint8_t*>(hack.surface.image->data),
                   hack.surface.image->bytes_per_line);
    Present(hack);
    if (run.options->fps) {
        run.fps.Count(composeSeconds);
        DrawFps(hack, run.fps.shownTicks, run.fps.shownCompose);
    }
    XSync(hack.display, False);
    ++run.ticksDone;
    if (run.options->ticks >= 0 && run.ticksDone >= run.options->ticks) {
        run.stopped = true;
        // What a test waits for before it reads the window back.
        std::printf("torvex: stopped after %lld ticks at %dx%d on window %s\n",
                    static_cast<long long>(run.ticksDone), ScreenWidth, ScreenHeight,
                    HexId(hack.window).c_str());
        std::fflush(stdout);
    }
}

// Waits for the X connection or a signal, until deadline or, when stopped, without end.
// Returns false when a signal came.
bool Wait(const Hack& hack, const Run& run, Clock::time_point deadline) {
    pollfd fds[2] = {{ConnectionNumber(hack.display), POLLIN, 0}, {hack.signals, POLLIN, 0}};
    timespec timeout{};
    timespec* limit = nullptr;
    if (!run.stopped) {
        const auto left = deadline - Clock::now();
        const int64_t ns = left.count() > 0
                               ? std::chrono::duration_cast<std::chrono::nanoseconds>(left).count()
                               : 0;
        timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
        timeout.tv_nsec = static_cast<long>(ns % 1000000000);
        limit = &timeout;
    }
    const int ready = ppoll(fds, 2, limit, nullptr);
    return !(ready > 0 && (fds[1].revents & POLLIN) != 0);
}

void Loop(Hack& hack, const HackOptions& options) {
    Run run;
    run.options = &options;
    const auto period = std::chrono::microseconds(options.delayMicroseconds);
    Clock::time_point deadline = Clock::now();
    for (;;) {
        while (XPending(hack.display) > 0) {
            XEvent event;
            XNextEvent(hack.display, &event);
            if (OnEvent(hack, run, event) == Next::End) {
                return;
            }
        }
        RestartAtNewSize(hack, run);
        if (CheckErrors(hack) == Next::End) {
            return;
        }
        // Also when the deadline has passed, so that a signal ends even a run without delay.
        if (!Wait(hack, run, deadline)) {
            return;
        }
        if (!run.stopped && Clock::now() >= deadline) {
            Tick(hack, run);
            // Absolute deadlines keep the period from drifting; after a stall longer than a
            // period the missed ticks are dropped rather than run back to back.
            deadline += period;
            const Clock::time_point now = Clock::now();
            if (deadline + period < now) {
                deadline = now;
            }
        }
    }
}

void Close(Hack& hack) {
    DestroySurface(hack);
    if (hack.gc != nullptr) {
        XFreeGC(hack.display, hack.gc);
    }
    if (hack.ownWindow) {
        XDestroyWindow(hack.display, hack.window);
    }
    XCloseDisplay(hack.display);
    close(hack.signals);
}

}  // namespace

int main(int argc, char** argv) {
    HackOptions options;
    std::string error;
    if (!ParseHackOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), &options, &error)) {
        std::fprintf(stderr, "torvex: %s\n%s", error.c_str(), HackUsage);
        return ExitFailure;
    }
    if (options.help) {
        std::fputs(HackUsage, stdout);
        return 0;
    }
    if (options.steppingClock) {
        InstallSteppingClock(options.clockStart, options.clockStep);
    }

    Hack hack;
    hack.signals = BlockEndSignals();
    hack.display = OpenDisplay();
    ChooseWindow(hack, options);
    StartAtSize(hack);
    Loop(hack, options);
    Close(hack);
    return 0;
}
