// The command-line rules without the platform: the switch search and the handle number. The
// two platform calls they need come in through CommandLinePlatform, so that the rules also run
// natively (the fuzzer). Header-only: the shell and the native tests each compile it.
#pragma once

#include <cstdint>
#include <cstring>

using SaverMode = int16_t;

constexpr SaverMode ModeConfigure = 0;
constexpr SaverMode ModePreview = 1;
constexpr SaverMode ModeFullScreen = 2;
constexpr SaverMode ModeChangePassword = 3;

struct SwitchEntry {
    const char* text;
    SaverMode mode;
};

constexpr int32_t SwitchCount = 16;
// Searched in this order; the first switch found anywhere in the tail decides.
inline constexpr SwitchEntry SwitchTable[SwitchCount] = {
    {"-c", ModeConfigure},      {"-C", ModeConfigure},      {"/c", ModeConfigure},
    {"/C", ModeConfigure},      {"-p", ModePreview},        {"-P", ModePreview},
    {"/p", ModePreview},        {"/P", ModePreview},        {"-s", ModeFullScreen},
    {"-S", ModeFullScreen},     {"/s", ModeFullScreen},     {"/S", ModeFullScreen},
    {"-a", ModeChangePassword}, {"-A", ModeChangePassword}, {"/a", ModeChangePassword},
    {"/A", ModeChangePassword},
};

struct CommandLinePlatform {
    int32_t (*textLength)(const char* text);
    // The window handle to fall back on, as an integer.
    intptr_t (*foregroundWindow)();
};

inline bool IsCommandLineBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a number the way atol does, but a number that does not fit 32 signed bits (where
// atol's result is undefined) reads as 0, the value that means "no handle given".
inline int32_t ReadHandleNumber(const char* text) {
    while (IsCommandLineBlank(*text)) {
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
        if (value < INT32_MIN) {
            return 0;
        }
    }
    if (!negative) {
        if (-value > INT32_MAX) {
            return 0;
        }
        value = -value;
    }
    return static_cast<int32_t>(value);
}

// Returns 0 when a switch was found (or the tail is empty: configure), 1 when none was. The
// handle is the number sign-extended, as 32-bit handles are on 64-bit Windows.
inline int32_t ParseSwitches(const char* tail, const CommandLinePlatform& platform,
                             intptr_t* outHostWindow, SaverMode* outMode) {
    *outHostWindow = 0;
    if (platform.textLength(tail) == 0) {
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
    const int32_t number = ReadHandleNumber(match + 2);
    *outHostWindow = static_cast<intptr_t>(number);
    if (number == 0) {
        *outHostWindow = platform.foregroundWindow();
    }
    return 0;
}
