// Stands in for the system's PASSWORD.CPL. The test steers it through environment variables of
// its own process, and it records every call in others:
//   TORVEX_DOUBLE_VERIFY_ANSWER   the result to return (default 0: password not proved)
//   TORVEX_DOUBLE_VERIFY_INPUT    nonzero: while "open", move the cursor away, press a key over
//                                 the saver window and dispatch the close request that follows,
//                                 as the prompt's own message loop would
//   TORVEX_DOUBLE_VERIFY_CALLS    incremented on every call
//   TORVEX_DOUBLE_VERIFY_WINDOW   the window handle received, decimal
//   TORVEX_DOUBLE_VERIFY_CURSOR   "x y": the cursor after the input was handled
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

long long ReadNumber(const char* name) {
    char text[64];
    const DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
    if (length == 0 || length >= sizeof text) {
        return 0;
    }
    return std::strtoll(text, nullptr, 10);
}

void WriteNumber(const char* name, long long value) {
    char text[64];
    std::snprintf(text, sizeof text, "%lld", value);
    SetEnvironmentVariableA(name, text);
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    WriteNumber("TORVEX_DOUBLE_VERIFY_CALLS", ReadNumber("TORVEX_DOUBLE_VERIFY_CALLS") + 1);
    WriteNumber("TORVEX_DOUBLE_VERIFY_WINDOW", static_cast<long long>(LONG_PTR(window)));
    if (ReadNumber("TORVEX_DOUBLE_VERIFY_INPUT") != 0) {
        POINT cursor;
        GetCursorPos(&cursor);
        SetCursorPos(cursor.x + 40, cursor.y + 40);
        SendMessageA(window, WM_KEYDOWN, 'A', 0);
        MSG message;
        while (PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        GetCursorPos(&cursor);
        char text[64];
        std::snprintf(text, sizeof text, "%ld %ld", cursor.x, cursor.y);
        SetEnvironmentVariableA("TORVEX_DOUBLE_VERIFY_CURSOR", text);
    }
    return static_cast<BOOL>(ReadNumber("TORVEX_DOUBLE_VERIFY_ANSWER"));
}
