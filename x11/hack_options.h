// The hack's command line, in XScreenSaver's conventions: every option takes one dash or two.
#pragma once

#include <cstdint>
#include <string>

struct HackOptions {
    enum class Target { OwnWindow, Root, GivenWindow };
    Target target = Target::OwnWindow;
    // With Target::GivenWindow: from -window-id, else from XSCREENSAVER_WINDOW.
    unsigned long windowId = 0;
    int32_t width = 800;
    int32_t height = 600;
    int64_t delayMicroseconds = 10000;
    bool fps = false;
    bool steppingClock = false;
    uint32_t clockStart = 0;
    uint32_t clockStep = 0;
    // Stop after this many ticks and keep the picture; negative: never stop.
    int64_t ticks = -1;
    bool help = false;
};

extern const char HackUsage[];

// A window id as XScreenSaver and xwininfo write it: decimal, or hex after 0x.
bool ParseWindowId(const std::string& text, unsigned long* id);

// argv[1..argc-1], and the value of XSCREENSAVER_WINDOW or null. On a bad command line, false
// and one line saying why.
bool ParseHackOptions(int argc, const char* const* argv, const char* screensaverWindow,
                      HackOptions* options, std::string* error);
