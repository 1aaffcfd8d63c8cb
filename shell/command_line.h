// The run modes and the command line that selects one, and the process-wide state of a run.
#pragma once

#include <windows.h>

#include <cstdint>

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
extern const SwitchEntry SwitchTable[SwitchCount];

extern HINSTANCE Instance;
extern SaverMode Mode;
// Preview: the parent. Full screen: the owner. Change password: the dialog's parent.
extern HWND HostWindow;

// Returns 0 when a switch was found (or the tail is empty: configure), 1 when none was.
int32_t ParseCommandLine(const char* tail, HWND* outHostWindow, SaverMode* outMode);
