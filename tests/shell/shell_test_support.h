// Helpers of the Windows-side shell tests: the shell's process-wide state put back between
// tests, message boxes caught and dismissed, the password setting saved and restored, and the
// doubles of the system's password libraries chosen by folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Zero state as at process start, with Instance set, Mode as given and no saver window.
void ResetShellState(int16_t mode);
// Destroys the saver window if it still exists, drops the queue (the WM_QUIT of the teardown
// included) and unregisters the class, so that the next test registers it anew.
void DisposeSaverWindow();

// The cursor's display count: 0 shown as at start, negative hidden.
int CursorDisplayCount();
void SetCursorDisplayCount(int count);

// The folder of this test program, with a trailing backslash.
std::string ProgramFolder();
// Makes LoadLibraryA find the doubles of doubles\FOLDER (nullptr: none of them).
void UseDoubles(const char* folder);

std::string ReadEnvironment(const char* name);
void ClearDoubleRecords();

struct CaughtBox {
    std::string caption;
    std::string text;
    std::wstring wideCaption;
    std::wstring wideText;
    std::vector<int> buttonIds;
};

// While it lives, every message box that this thread shows is read and dismissed with IDOK
// from a thread timer that the box's own modal loop dispatches.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    const std::vector<CaughtBox>& Boxes() const { return boxes; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    static BOOL CALLBACK CatchBox(HWND window, LPARAM);

    static MessageBoxCatcher* active;
    UINT_PTR timer = 0;
    std::vector<HWND> seen;
    std::vector<CaughtBox> boxes;
};

// HKCU\Control Panel\desktop ScreenSaveUsePassword of the prefix, as it was before the test
// and put back after it.
class UsePasswordSetting {
public:
    UsePasswordSetting();
    ~UsePasswordSetting();
    UsePasswordSetting(const UsePasswordSetting&) = delete;
    UsePasswordSetting& operator=(const UsePasswordSetting&) = delete;

    void Remove();
    void Set(DWORD type, const std::vector<uint8_t>& bytes);
    void SetDword(DWORD value);

private:
    std::optional<std::pair<DWORD, std::vector<uint8_t>>> original;
};

// While it lives, this program's calls of FUNCTION in DLL (through its import table, which the
// statically linked shell shares) go to the replacement instead. Original() is the function it
// stands in for, null when the program does not import it.
class ImportReplacement {
public:
    ImportReplacement(const char* dll, const char* function, void* replacement);
    ~ImportReplacement();
    ImportReplacement(const ImportReplacement&) = delete;
    ImportReplacement& operator=(const ImportReplacement&) = delete;

    void* Original() const { return original; }

private:
    void** slot = nullptr;
    void* original = nullptr;
};

// Reads the window's pixels back from its device context: width x height, top row first, three
// bytes blue, green, red per pixel.
std::vector<uint8_t> ReadWindowPixels(HWND window, int width, int height);
