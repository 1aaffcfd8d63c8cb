#include "shell_test_support.h"

#include <algorithm>

#include "shell/command_line.h"
#include "shell/password.h"
#include "shell/saver_window.h"

namespace {

const char DesktopKey[] = "Control Panel\\desktop";
const char UsePasswordValue[] = "ScreenSaveUsePassword";

HKEY OpenDesktopKey() {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, DesktopKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                    nullptr, &key, nullptr);
    return key;
}

// The import table slot through which this program calls FUNCTION of DLL, found by name.
void** ImportSlot(const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return nullptr;
    }
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) {
            continue;
        }
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* bound = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++bound) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) {
                continue;
            }
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                return reinterpret_cast<void**>(&bound->u1.Function);
            }
        }
    }
    return nullptr;
}

void* SwapSlot(void** slot, void* value) {
    DWORD protection = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    void* previous = *slot;
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return previous;
}

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

}  // namespace

void ResetShellState(int16_t mode) {
    Instance = GetModuleHandleA(nullptr);
    Mode = mode;
    HostWindow = nullptr;
    SaverWindow = nullptr;
    WindowX = 0;
    WindowY = 0;
    SavedCursorPos = POINT{0, 0};
    MouseMoveCount = 0;
    TimerId = 0;
    PasswordCheckDepth = 0;
}

void DisposeSaverWindow() {
    if (SaverWindow != nullptr && IsWindow(SaverWindow)) {
        DestroyWindow(SaverWindow);
    }
    // Posted messages, timers and input only: paint requests would come back for ever.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_INPUT)) {
    }
    UnregisterClassA(SaverClassName, GetModuleHandleA(nullptr));
}

int CursorDisplayCount() {
    const int count = ShowCursor(TRUE);
    ShowCursor(FALSE);
    return count - 1;
}

void SetCursorDisplayCount(int count) {
    int now = CursorDisplayCount();
    while (now < count) {
        now = ShowCursor(TRUE);
    }
    while (now > count) {
        now = ShowCursor(FALSE);
    }
}

std::string ProgramFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

void UseDoubles(const char* folder) {
    if (folder == nullptr) {
        SetDllDirectoryA(nullptr);
        return;
    }
    SetDllDirectoryA((ProgramFolder() + "doubles\\" + folder).c_str());
}

std::string ReadEnvironment(const char* name) {
    char text[512];
    const DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
    if (length == 0 || length >= sizeof text) {
        return "";
    }
    return std::string(text, length);
}

void ClearDoubleRecords() {
    for (const char* name : {"TORVEX_DOUBLE_VERIFY_ANSWER", "TORVEX_DOUBLE_VERIFY_INPUT",
                             "TORVEX_DOUBLE_VERIFY_CALLS", "TORVEX_DOUBLE_VERIFY_WINDOW",
                             "TORVEX_DOUBLE_VERIFY_CURSOR", "TORVEX_DOUBLE_CHANGE_CALL"}) {
        SetEnvironmentVariableA(name, nullptr);
    }
}

MessageBoxCatcher* MessageBoxCatcher::active = nullptr;

MessageBoxCatcher::MessageBoxCatcher() {
    active = this;
    timer = SetTimer(nullptr, 0, 20, OnTimer);
}

MessageBoxCatcher::~MessageBoxCatcher() {
    KillTimer(nullptr, timer);
    active = nullptr;
}

void CALLBACK MessageBoxCatcher::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (active != nullptr) {
        EnumThreadWindows(GetCurrentThreadId(), CatchBox, 0);
    }
}

BOOL CALLBACK MessageBoxCatcher::CatchBox(HWND window, LPARAM) {
    if (ClassOf(window) != "#32770" || !IsWindowVisible(window) ||
        std::find(active->seen.begin(), active->seen.end(), window) != active->seen.end()) {
        return TRUE;
    }
    active->seen.push_back(window);
    CaughtBox box;
    char text[512];
    wchar_t wide[512];
    GetWindowTextA(window, text, sizeof text);
    box.caption = text;
    GetWindowTextW(window, wide, 512);
    box.wideCaption = wide;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string childClass = ClassOf(child);
        if (childClass == "Button") {
            box.buttonIds.push_back(GetDlgCtrlID(child));
        } else if (childClass == "Static" && GetWindowTextLengthA(child) > 0) {
            GetWindowTextA(child, text, sizeof text);
            box.text = text;
            GetWindowTextW(child, wide, 512);
            box.wideText = wide;
        }
    }
    active->boxes.push_back(box);
    EndDialog(window, IDOK);
    return TRUE;
}

UsePasswordSetting::UsePasswordSetting() {
    HKEY key = OpenDesktopKey();
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, UsePasswordValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<uint8_t> bytes(size);
        RegQueryValueExA(key, UsePasswordValue, nullptr, &type, bytes.data(), &size);
        original.emplace(type, bytes);
    }
    RegCloseKey(key);
}

UsePasswordSetting::~UsePasswordSetting() {
    if (original) {
        Set(original->first, original->second);
    } else {
        Remove();
    }
}

void UsePasswordSetting::Remove() {
    HKEY key = OpenDesktopKey();
    RegDeleteValueA(key, UsePasswordValue);
    RegCloseKey(key);
}

void UsePasswordSetting::Set(DWORD type, const std::vector<uint8_t>& bytes) {
    HKEY key = OpenDesktopKey();
    RegSetValueExA(key, UsePasswordValue, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

void UsePasswordSetting::SetDword(DWORD value) {
    std::vector<uint8_t> bytes(4);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
    Set(REG_DWORD, bytes);
}

std::vector<uint8_t> ReadWindowPixels(HWND window, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    GdiFlush();
    BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    const int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(bits) + static_cast<size_t>(y) * stride;
        std::copy(row, row + width * 3, pixels.begin() + static_cast<size_t>(y) * width * 3);
    }
    SelectObject(memoryDc, previous);
    DeleteObject(bitmap);
    DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return pixels;
}

ImportReplacement::ImportReplacement(const char* dll, const char* function, void* replacement)
    : slot(ImportSlot(dll, function)) {
    if (slot != nullptr) {
        original = SwapSlot(slot, replacement);
    }
}

ImportReplacement::~ImportReplacement() {
    if (slot != nullptr) {
        SwapSlot(slot, original);
    }
}
