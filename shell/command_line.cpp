#include "shell/command_line.h"

HINSTANCE Instance;
SaverMode Mode;
HWND HostWindow;

namespace {

int32_t TextLength(const char* text) {
    return lstrlenA(text);
}

intptr_t ForegroundWindow() {
    return reinterpret_cast<intptr_t>(GetForegroundWindow());
}

const CommandLinePlatform Win32Platform = {TextLength, ForegroundWindow};

}  // namespace

int32_t ParseCommandLine(const char* tail, HWND* outHostWindow, SaverMode* outMode) {
    intptr_t host = 0;
    const int32_t result = ParseSwitches(tail, Win32Platform, &host, outMode);
    *outHostWindow = reinterpret_cast<HWND>(host);
    return result;
}
