#include "x11/hack_options.h"

#include "common/number_text.h"
#include "common/stepping_clock.h"

const char HackUsage[] =
    "usage: torvex [-root | -window-id ID] [-geometry WxH] [-delay MICROSECONDS] [-fps]\n"
    "              [-clock START:STEP] [-ticks N]\n"
    "  -root               draw on the root window (XSCREENSAVER_WINDOW, when set, instead)\n"
    "  -window-id ID       draw on the window ID, decimal or 0x hex\n"
    "  -geometry WxH       the size of a window of its own (default 800x600)\n"
    "  -delay MICROSECONDS the tick period (default 10000)\n"
    "  -fps                show the ticks per second and the compose time\n"
    "  -clock START:STEP   the i-th read of the millisecond clock returns START + i * STEP\n"
    "  -ticks N            stop after N ticks and keep the picture\n"
    "Every option may also be written with two dashes. Exit code 0, or 1 on an error.\n";

bool ParseWindowId(const std::string& text, unsigned long* id) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 8 + (hex ? 0 : 2)) {
        return false;
    }
    uint64_t value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return false;
        }
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    }
    // X resource ids have 29 bits; 0 is None.
    if (value == 0 || value > 0x1fffffff) {
        return false;
    }
    *id = static_cast<unsigned long>(value);
    return true;
}

bool ParseHackOptions(int argc, const char* const* argv, const char* screensaverWindow,
                      HackOptions* options, std::string* error) {
    HackOptions parsed;
    bool givenId = false;
    bool root = false;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option.rfind("--", 0) == 0) {
            option.erase(0, 1);
        }
        if (option == "-help" || option == "-h") {
            parsed.help = true;
            continue;
        }
        if (option == "-root") {
            root = true;
            continue;
        }
        if (option == "-fps") {
            parsed.fps = true;
            continue;
        }
        const bool takesValue = option == "-window-id" || option == "-geometry" ||
                                option == "-delay" || option == "-clock" || option == "-ticks";
        if (!takesValue) {
            *error = "unknown option '" + std::string(argv[i]) + "'";
            return false;
        }
        if (i + 1 >= argc) {
            *error = option + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (option == "-window-id") {
            if (!ParseWindowId(value, &parsed.windowId)) {
                *error = "-window-id wants a window id, decimal or 0x hex, not '" + value + "'";
                return false;
            }
            givenId = true;
        } else if (option == "-geometry") {
            int64_t w = 0;
            int64_t h = 0;
            if (!ParsePair(value, 'x', 1, INT16_MAX, &w, &h)) {
                *error = "-geometry wants WxH, each 1..32767, not '" + value + "'";
                return false;
            }
            parsed.width = static_cast<int32_t>(w);
            parsed.height = static_cast<int32_t>(h);
        } else if (option == "-delay") {
            if (!ParseNumber(value, 0, 10000000, &parsed.delayMicroseconds)) {
                *error = "-delay wants microseconds 0..10000000, not '" + value + "'";
                return false;
            }
        } else if (option == "-clock") {
            if (!ParseClockOption(value, &parsed.clockStart, &parsed.clockStep)) {
                *error = "-clock wants START:STEP, each 0.." + std::to_string(UINT32_MAX) +
                         ", not '" + value + "'";
                return false;
            }
            parsed.steppingClock = true;
        } else {
            if (!ParseNumber(value, 1, INT32_MAX, &parsed.ticks)) {
                *error = "-ticks wants a number 1.." + std::to_string(INT32_MAX) + ", not '" +
                         value + "'";
                return false;
            }
        }
    }
    if (givenId) {
        parsed.target = HackOptions::Target::GivenWindow;
    } else if (screensaverWindow != nullptr && *screensaverWindow != '\0') {
        if (!ParseWindowId(screensaverWindow, &parsed.windowId)) {
            *error =
                "XSCREENSAVER_WINDOW is not a window id: '" + std::string(screensaverWindow) + "'";
            return false;
        }
        parsed.target = HackOptions::Target::GivenWindow;
    } else if (root) {
        parsed.target = HackOptions::Target::Root;
    }
    *options = parsed;
    return true;
}
