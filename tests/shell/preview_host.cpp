// A stand-in for the display settings' preview: a top-level window whose handle it prints, for
// a saver started with /p HANDLE in another process. When the file COMMAND_DIR/close appears,
// it prints its own geometry and that of the child it found, then closes:
//   host HANDLE
//   hostrect LEFT TOP RIGHT BOTTOM
//   child HANDLE CLASS X Y WIDTH HEIGHT STYLE EXSTYLE   (hexadecimal handle and styles; X, Y in
//                                                       the host's client area)
// or "child none".
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string closeFile;

void Report(HWND host) {
    RECT hostRect;
    GetWindowRect(host, &hostRect);
    std::printf("hostrect %ld %ld %ld %ld\n", hostRect.left, hostRect.top, hostRect.right,
                hostRect.bottom);
    HWND child = GetWindow(host, GW_CHILD);
    if (child == nullptr) {
        std::printf("child none\n");
        return;
    }
    char className[128] = "";
    GetClassNameA(child, className, sizeof className);
    RECT childRect;
    GetWindowRect(child, &childRect);
    POINT origin = {childRect.left, childRect.top};
    ScreenToClient(host, &origin);
    std::printf("child 0x%lx %s %ld %ld %ld %ld %08lx %08lx\n", HandleToULong(child), className,
                origin.x, origin.y, childRect.right - childRect.left,
                childRect.bottom - childRect.top,
                static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongA(child, GWL_EXSTYLE)));
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (GetFileAttributesA(closeFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
                KillTimer(window, 1);
                Report(window);
                std::fflush(stdout);
                DestroyWindow(window);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: preview_host COMMAND_DIR\n");
        return 2;
    }
    closeFile = std::string(argv[1]) + "\\close";

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "TorvexPreviewHost";
    RegisterClassA(&windowClass);
    HWND host =
        CreateWindowExA(0, "TorvexPreviewHost", "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        200, 150, 400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (host == nullptr) {
        std::fprintf(stderr, "no host window\n");
        return 1;
    }
    std::printf("host %lu\n", HandleToULong(host));
    std::fflush(stdout);
    SetTimer(host, 1, 50, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
