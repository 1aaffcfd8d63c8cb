// The about box of the configure mode: the title with its version, a button that opens the
// publisher's news page, and OK.
#pragma once

#include <windows.h>

// The publisher's news page; a build option sets it (TORVEX_PUBLISHER_PAGE).
extern const char PublisherPageAddress[];

// How the news button opens the page: ShellExecuteA, or a test's stand-in.
using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
extern ShellExecuteFunction OpenPublisherPage;

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the about box modally; its result is always 1.
INT_PTR RunAboutDialog();
