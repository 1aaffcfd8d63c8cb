// A library of the right name that lacks the password scheme's entry point.
#include <windows.h>

extern "C" __declspec(dllexport) DWORD WINAPI UnrelatedEntry() {
    return 0;
}
