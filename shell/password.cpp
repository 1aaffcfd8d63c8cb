#include "shell/password.h"

#include "resources/messages.h"
#include "shell/command_line.h"

int32_t PasswordCheckDepth;

namespace {

using VerifyScreenSavePwdFunction = BOOL(WINAPI*)(HWND window);
using PwdChangePasswordFunction = DWORD(WINAPI*)(LPCSTR provider, HWND parent, DWORD reserved1,
                                                 LPVOID reserved2);

template <typename Function>
Function LookUp(HMODULE library, const char* name) {
    // Through the generic function pointer type, which converts to any other without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

void ShowPasswordCheckFailed() {
    MessageBoxA(nullptr, PasswordCheckFailedText, PasswordCheckFailedCaption, MB_OK);
}

// Reads the desktop's password setting, creating the desktop key when it is missing. Returns
// false when the key can be neither opened nor created; otherwise true, with *usePassword set
// to whether the setting asks for a password (a missing or unreadable value does not).
bool ReadUsePassword(bool* usePassword) {
    char noClass[] = "";
    HKEY key = nullptr;
    DWORD disposition = 0;
    // Reading one value needs no more than the right to query it.
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, noClass, 0, KEY_QUERY_VALUE,
                        nullptr, &key, &disposition) != ERROR_SUCCESS) {
        return false;
    }
    // Zeroed first: a value shorter than 4 bytes fills only its own bytes.
    uint32_t value = 0;
    DWORD size = sizeof value;
    const LONG status = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    *usePassword = status == ERROR_SUCCESS && value != 0;
    return true;
}

int32_t DecideClose(HWND window) {
    bool usePassword = false;
    if (!ReadUsePassword(&usePassword)) {
        ShowPasswordCheckFailed();
        return 1;
    }
    if (!usePassword) {
        return 0;
    }
    HMODULE library = LoadLibraryA("PASSWORD.CPL");
    if (library == nullptr) {
        ShowPasswordCheckFailed();
        return 1;
    }
    const auto verify = LookUp<VerifyScreenSavePwdFunction>(library, "VerifyScreenSavePwd");
    if (verify == nullptr) {
        ShowPasswordCheckFailed();
        FreeLibrary(library);
        return 1;
    }
    const BOOL proved = verify(window);
    FreeLibrary(library);
    return proved != 0 ? 0 : 1;
}

}  // namespace

int32_t CheckClosePassword(HWND window) {
    // The prompt's own message loop can deliver another close request; only one prompt at a time.
    ++PasswordCheckDepth;
    if (PasswordCheckDepth != 1) {
        --PasswordCheckDepth;
        return 1;
    }
    const int32_t result = DecideClose(window);
    --PasswordCheckDepth;
    return result;
}

void RunPasswordChange() {
    HMODULE library = LoadLibraryA("MPR.DLL");
    if (library == nullptr) {
        MessageBoxA(nullptr, MprMissingText, MprMissingCaption, MB_OK);
        return;
    }
    const auto change = LookUp<PwdChangePasswordFunction>(library, "PwdChangePasswordA");
    if (change != nullptr) {
        change("SCRSAVE", HostWindow, 0, nullptr);
    }
    FreeLibrary(library);
}
