// The run modes and the command line that selects one, and the process-wide state of a run.
#pragma once

#include <windows.h>

#include <cstdint>

#include "shell/command_line_rules.h"

extern HINSTANCE Instance;
extern SaverMode Mode;
// Preview: the parent. Full screen: the owner. Change password: the dialog's parent.
extern HWND HostWindow;

// Returns 0 when a switch was found (or the tail is empty: configure), 1 when none was.
int32_t ParseCommandLine(const char* tail, HWND* outHostWindow, SaverMode* outMode);
