// The full-screen saver with a deliberate leak of one device context of its window on every
// tick, taken by a message hook outside the saver's own code. Test-only, never shipped: a soak
// run on it shows that the soak's memory check can fail.
#include <windows.h>

#include "shell/command_line.h"
#include "shell/saver_window.h"

namespace {

LRESULT CALLBACK LeakOnTick(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_TIMER &&
        message->hwnd == SaverWindow && SaverWindow != nullptr) {
        GetDC(SaverWindow);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int) {
    SetWindowsHookExA(WH_GETMESSAGE, LeakOnTick, nullptr, GetCurrentThreadId());
    Instance = instance;
    if (ParseCommandLine(tail, &HostWindow, &Mode) != 0 || Mode != ModeFullScreen) {
        return 0;
    }
    if (CreateSaverWindow(0) != 0) {
        return 0;
    }
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
