#include "shell/command_line.h"

#include <climits>
#include <cstring>

const SwitchEntry SwitchTable[SwitchCount] = {
    {"-c", ModeConfigure},      {"-C", ModeConfigure},      {"/c", ModeConfigure},
    {"/C", ModeConfigure},      {"-p", ModePreview},        {"-P", ModePreview},
    {"/p", ModePreview},        {"/P", ModePreview},        {"-s", ModeFullScreen},
    {"-S", ModeFullScreen},     {"/s", ModeFullScreen},     {"/S", ModeFullScreen},
    {"-a", ModeChangePassword}, {"-A", ModeChangePassword}, {"/a", ModeChangePassword},
    {"/A", ModeChangePassword},
};

HINSTANCE Instance;
SaverMode Mode;
HWND HostWindow;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a number the way atol does, but a number that does not fit in a LONG (where atol's
// result is undefined) reads as 0, the value that means "no handle given".
LONG ReadHandleNumber(const char* text) {
    while (IsBlank(*text)) {
        ++text;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    // Accumulated as a negative number, whose range is the larger one.
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 - (*text - '0');
        if (value < LONG_MIN) {
            return 0;
        }
    }
    if (!negative) {
        if (-value > LONG_MAX) {
            return 0;
        }
        value = -value;
    }
    return static_cast<LONG>(value);
}

}  // namespace

int32_t ParseCommandLine(const char* tail, HWND* outHostWindow, SaverMode* outMode) {
    *outHostWindow = nullptr;
    if (lstrlenA(tail) == 0) {
        *outMode = ModeConfigure;
        return 0;
    }
    const char* match = nullptr;
    const SwitchEntry* found = nullptr;
    for (const SwitchEntry& entry : SwitchTable) {
        match = std::strstr(tail, entry.text);
        if (match != nullptr) {
            found = &entry;
            break;
        }
    }
    if (found == nullptr) {
        return 1;
    }
    *outMode = found->mode;
    const LONG number = ReadHandleNumber(match + 2);
    // Handles are 32-bit values, sign-extended on 64-bit Windows.
    *outHostWindow = reinterpret_cast<HWND>(static_cast<LONG_PTR>(number));
    if (number == 0) {
        *outHostWindow = GetForegroundWindow();
    }
    return 0;
}
