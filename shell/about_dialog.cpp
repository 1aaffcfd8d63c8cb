#include "shell/about_dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include "resources/resource.h"
#include "shell/command_line.h"

#ifndef TORVEX_PUBLISHER_PAGE
#error "TORVEX_PUBLISHER_PAGE names the publisher's news page; the build sets it"
#endif

const char PublisherPageAddress[] = TORVEX_PUBLISHER_PAGE;

ShellExecuteFunction OpenPublisherPage = ShellExecuteA;

namespace {

INT_PTR OnCommand(HWND dialog, WPARAM wParam) {
    // The notification code in the high word is not looked at.
    switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_NEWS:
            // A failure shows nothing and leaves the dialog open, as a success does.
            OpenPublisherPage(nullptr, "open", PublisherPageAddress, nullptr, nullptr,
                              SW_SHOWNORMAL);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            // The system gives the focus to the first tab stop, the OK button.
            return TRUE;
        case WM_CLOSE:
            EndDialog(dialog, 1);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, wParam);
        default:
            return FALSE;
    }
}

INT_PTR RunAboutDialog() {
    InitCommonControls();
    return DialogBoxParamA(Instance, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, AboutDlgProc, 0);
}
