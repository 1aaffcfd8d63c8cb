#include <windows.h>

#include "effect/clock.h"
#include "resources/messages.h"
#include "shell/about_dialog.h"
#include "shell/command_line.h"
#include "shell/password.h"
#include "shell/saver_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLineTail, int) {
    Instance = instance;
    SetMillisecondClock(SystemMilliseconds);

    // A running full-screen saver blocks every mode, this one's configure and password change
    // included. Preview windows are children and are not found.
    if (FindWindowA(SaverClassName, nullptr) != nullptr) {
        return 0;
    }
    if (ParseCommandLine(commandLineTail, &HostWindow, &Mode) != 0) {
        return 0;
    }

    switch (Mode) {
        case ModeConfigure:
            RunAboutDialog();
            return 0;
        case ModeChangePassword:
            RunPasswordChange();
            return 0;
        default:
            break;
    }
    if (CreateSaverWindow(Mode == ModePreview ? 1 : 0) != 0) {
        MessageBoxA(nullptr, WindowCreationFailedText, WindowCreationFailedCaption,
                    MB_OK | MB_SETFOREGROUND);
        return 0;
    }

    MSG message = {};
    // GetMessageA gives -1 on an error: that ends the loop too instead of spinning on it.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}
