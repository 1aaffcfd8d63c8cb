#include "shell/saver_window.h"

#include <mmsystem.h>

#include <cstdlib>

#include "effect/blasts.h"
#include "shell/command_line.h"
#include "shell/password.h"
#include "shell/render_tick.h"

const char SaverClassName[] = "TORVEX.kzw";
const char SaverWindowName[] = "Screen Saver";

HWND SaverWindow;
int16_t WindowX;
int16_t WindowY;
POINT SavedCursorPos;
uint16_t MouseMoveCount;
UINT_PTR TimerId;

namespace {

constexpr int32_t MovesBeforeClose = 6;
constexpr int32_t MoveSlack = 3;

// Whether WM_DESTROY has run for the current window.
bool TornDown;

bool IsFullScreen() {
    return Mode == ModeFullScreen;
}

void RequestClose() {
    PostMessageA(SaverWindow, WM_CLOSE, 0, 0);
}

// Everything is built before CreateWindowExA returns, so the first tick finds it ready.
LRESULT OnCreate(HWND window, WPARAM wParam, LPARAM lParam) {
    SaverWindow = window;
    TornDown = false;
    StartEffect();
    TimerId = SetTimer(window, TickTimerId, TickMilliseconds, nullptr);
    if (IsFullScreen()) {
        GetCursorPos(&SavedCursorPos);
        ShowCursor(FALSE);
    }
    return DefWindowProcA(window, WM_CREATE, wParam, lParam);
}

LRESULT OnTimer(HWND window, WPARAM wParam, LPARAM lParam) {
    HDC dc = GetDC(SaverWindow);
    RenderTick(dc);
    ReleaseDC(SaverWindow, dc);
    return DefWindowProcA(window, WM_TIMER, wParam, lParam);
}

LRESULT OnEraseBackground(HWND window, WPARAM wParam, LPARAM lParam) {
    HDC dc = GetDC(window);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(window, dc);
    return DefWindowProcA(window, WM_ERASEBKGND, wParam, lParam);
}

// A preview closes at once; the full-screen saver only when the password check allows it.
LRESULT OnClose(HWND window) {
    if (!IsFullScreen() || CheckClosePassword(SaverWindow) == 0) {
        DestroyWindow(window);
        return 0;
    }
    SetCursorPos(SavedCursorPos.x, SavedCursorPos.y);
    MouseMoveCount = 0;
    return 0;
}

LRESULT OnDestroy(HWND window) {
    TornDown = true;
    KillTimer(window, TickTimerId);
    ShowCursor(TRUE);
    ScreenBuffer.Destroy();
    PostQuitMessage(0);
    return 0;
}

// When a preview host's process dies, Wine takes its child windows down with WM_NCDESTROY
// alone; without the teardown here the message loop would wait forever.
LRESULT OnNcDestroy(HWND window, WPARAM wParam, LPARAM lParam) {
    if (!TornDown) {
        OnDestroy(window);
    }
    return DefWindowProcA(window, WM_NCDESTROY, wParam, lParam);
}

LRESULT OnInputPress(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsFullScreen()) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    RequestClose();
    return 0;
}

// A close needs more than a few movement messages (Wine and Windows send some without any
// real movement) and a cursor well away from where it stood, on both axes at once.
LRESULT OnMouseMove(HWND window, WPARAM wParam, LPARAM lParam) {
    if (!IsFullScreen()) {
        return DefWindowProcA(window, WM_MOUSEMOVE, wParam, lParam);
    }
    ++MouseMoveCount;
    const int32_t x = static_cast<uint16_t>(lParam & 0xFFFF);
    const int32_t y = static_cast<uint16_t>((lParam >> 16) & 0xFFFF);
    if (MouseMoveCount <= MovesBeforeClose || std::abs(SavedCursorPos.x - x) <= MoveSlack ||
        std::abs(SavedCursorPos.y - y) <= MoveSlack) {
        return DefWindowProcA(window, WM_MOUSEMOVE, wParam, lParam);
    }
    RequestClose();
    return 0;
}

}  // namespace

uint32_t SystemMilliseconds() {
    return timeGetTime();
}

int32_t CreateSaverWindow(int32_t preview) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW;
    windowClass.lpfnWndProc = SaverWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = Instance;
    // The resources hold no icon 32512: the class gets none.
    windowClass.hIcon = LoadIconA(Instance, MAKEINTRESOURCEA(32512));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = SaverClassName;
    if (RegisterClassA(&windowClass) == 0) {
        return 1;
    }

    DWORD exStyle = 0;
    DWORD style = WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (preview == 0) {
        exStyle = WS_EX_TOPMOST;
        style |= WS_POPUP;
        WindowX = 0;
        WindowY = 0;
        HDC screen = GetDC(nullptr);
        ScreenWidth = static_cast<int16_t>(GetDeviceCaps(screen, HORZRES));
        ScreenHeight = static_cast<int16_t>(GetDeviceCaps(screen, VERTRES));
        ReleaseDC(nullptr, screen);
    } else {
        style |= WS_CHILD;
        RECT host;
        // A handle that names no window gives no size to fill.
        if (!GetWindowRect(HostWindow, &host)) {
            return 1;
        }
        ScreenWidth = static_cast<int16_t>(host.right - host.left);
        ScreenHeight = static_cast<int16_t>(host.bottom - host.top);
        WindowX = 0;
        WindowY = 0;
    }

    // WM_CREATE runs inside this call and reads the size set above.
    SaverWindow =
        CreateWindowExA(exStyle, SaverClassName, SaverWindowName, style, WindowX, WindowY,
                        ScreenWidth, ScreenHeight, HostWindow, nullptr, Instance, nullptr);
    return SaverWindow == nullptr ? 1 : 0;
}

LRESULT CALLBACK SaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(window, wParam, lParam);
        case WM_TIMER:
            return OnTimer(window, wParam, lParam);
        case WM_ERASEBKGND:
            return OnEraseBackground(window, wParam, lParam);
        case WM_CLOSE:
            return OnClose(window);
        case WM_DESTROY:
            return OnDestroy(window);
        case WM_NCDESTROY:
            return OnNcDestroy(window, wParam, lParam);
        case WM_SYSCOMMAND:
            // No system command (close, move, size, another screen saver) takes effect.
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            return OnInputPress(window, message, wParam, lParam);
        case WM_MOUSEMOVE:
            return OnMouseMove(window, wParam, lParam);
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
