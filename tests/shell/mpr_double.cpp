// Stands in for MPR.DLL's password change. Records its arguments in the environment variable
// TORVEX_DOUBLE_CHANGE_CALL of its process: "provider parent reserved1 reserved2", decimal.
#include <windows.h>

#include <cstdio>

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR provider, HWND parent, DWORD reserved1, LPVOID reserved2) {
    char text[256];
    std::snprintf(text, sizeof text, "%s %lld %lu %lld", provider != nullptr ? provider : "(null)",
                  static_cast<long long>(LONG_PTR(parent)), static_cast<unsigned long>(reserved1),
                  static_cast<long long>(LONG_PTR(reserved2)));
    SetEnvironmentVariableA("TORVEX_DOUBLE_CHANGE_CALL", text);
    return 0;
}
