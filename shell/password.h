// The Windows 9x screen-saver password scheme: the check on close through PASSWORD.CPL and the
// password change through MPR.DLL, both loaded for each use and released after it.
#pragma once

#include <windows.h>

#include <cstdint>

// The number of CheckClosePassword calls in progress; above 1 only while a nested call, made
// from the message loop of an open prompt, is being refused.
extern int32_t PasswordCheckDepth;

// 0 when the saver may close, 1 when it must stay.
int32_t CheckClosePassword(HWND window);

// The system's dialog for changing the screen-saver password, as a child of HostWindow.
void RunPasswordChange();
