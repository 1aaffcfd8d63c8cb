// The saver window: full screen and topmost, or a child filling the preview host. It builds the
// back buffer and the explosion frames when created, renders on its timer, and in full-screen
// mode turns input into a close request that the password check may refuse.
#pragma once

#include <windows.h>

#include <cstdint>

extern const char SaverClassName[];
extern const char SaverWindowName[];

extern HWND SaverWindow;
extern int16_t WindowX;
extern int16_t WindowY;
// Where the cursor stood when the full-screen window was created.
extern POINT SavedCursorPos;
// Movement messages since creation or since the last refused close; wraps.
extern uint16_t MouseMoveCount;
// The tick timer's identifier, which KillTimer takes.
constexpr UINT_PTR TickTimerId = 0;
constexpr UINT TickMilliseconds = 5;
// What SetTimer returned for the tick timer: nonzero once it runs (for a timer of identifier 0
// it is not the identifier).
extern UINT_PTR TimerId;

// Registers the class and creates the window for Mode and HostWindow. 0 when the window exists,
// 1 when registration or creation failed.
int32_t CreateSaverWindow(int32_t preview);

LRESULT CALLBACK SaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The millisecond clock of the running saver.
uint32_t SystemMilliseconds();
