// The about box run for real: RunAboutDialog with the saver's own template, driven from a thread
// timer that the dialog's modal loop dispatches.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "shell/about_dialog.h"
#include "shell/command_line.h"
#include "shell_test_support.h"

namespace {

constexpr INT_PTR GaveUp = 99;
constexpr DWORD GiveUpAfter = 5000;

struct ShellCall {
    HWND window;
    std::string verb, file;
    bool noParameters, noDirectory;
    INT show;
};
std::vector<ShellCall> shellCalls;
HINSTANCE shellResult = reinterpret_cast<HINSTANCE>(42);

HINSTANCE WINAPI RecordShellExecute(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                    LPCSTR directory, INT show) {
    shellCalls.push_back({window, verb ? verb : "(null)", file ? file : "(null)",
                          parameters == nullptr, directory == nullptr, show});
    return shellResult;
}

BOOL CALLBACK CountVisible(HWND window, LPARAM count) {
    if (IsWindowVisible(window)) {
        ++*reinterpret_cast<int*>(count);
    }
    return TRUE;
}

int VisibleThreadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountVisible, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Steps run one per timer tick once the dialog is up, each given the dialog; a step returns
// false to be run again on the next tick. After the last step the dialog must end by itself;
// if it is still open after GiveUpAfter, it is ended with GaveUp.
using Step = std::function<bool(HWND)>;

struct Drive {
    std::vector<Step> steps;
    size_t next = 0;
    DWORD started = 0;
    HWND dialog = nullptr;
};
Drive* drive = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == "#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    if (drive->dialog == nullptr) {
        EnumThreadWindows(GetCurrentThreadId(), FindDialog,
                          reinterpret_cast<LPARAM>(&drive->dialog));
    }
    if (drive->dialog == nullptr || !IsWindow(drive->dialog)) {
        return;
    }
    if (GetTickCount() - drive->started > GiveUpAfter) {
        EndDialog(drive->dialog, GaveUp);
        return;
    }
    if (drive->next < drive->steps.size() && drive->steps[drive->next](drive->dialog)) {
        ++drive->next;
    }
}

// Runs the about box through the given steps; returns its result.
INT_PTR RunDriven(Drive& steps) {
    drive = &steps;
    steps.started = GetTickCount();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, OnTick);
    const INT_PTR result = RunAboutDialog();
    KillTimer(nullptr, timer);
    drive = nullptr;
    return result;
}

std::wstring WideText(HWND window) {
    wchar_t text[64] = L"";
    GetWindowTextW(window, text, 64);
    return text;
}

RECT DialogUnits(HWND dialog, int x, int y, int cx, int cy) {
    RECT rect = {x, y, x + cx, y + cy};
    MapDialogRect(dialog, &rect);
    return rect;
}

RECT ChildRect(HWND dialog, int id) {
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class AboutDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetShellState(ModeConfigure);
        shellCalls.clear();
        shellResult = reinterpret_cast<HINSTANCE>(42);
        OpenPublisherPage = RecordShellExecute;
    }
    void TearDown() override { OpenPublisherPage = ShellExecuteA; }
};

TEST_F(AboutDialogTest, OpensAtTheTopLeftWithItsTextsAndTheFocusOnOk) {
    ASSERT_EQ(GetACP(), 932u);
    bool looked = false;
    Drive steps;
    steps.steps = {
        [&](HWND dialog) {
            looked = true;
            RECT window;
            GetWindowRect(dialog, &window);
            EXPECT_EQ(window.left, 0);
            EXPECT_EQ(window.top, 0);
            RECT client;
            GetClientRect(dialog, &client);
            EXPECT_TRUE(SameRect(client, DialogUnits(dialog, 0, 0, 87, 55)));
            EXPECT_EQ(WideText(dialog), L"TORVEX Version1.00");
            EXPECT_TRUE(GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU);

            // The news button above OK, both where the template puts them.
            EXPECT_TRUE(SameRect(ChildRect(dialog, IDC_NEWS), DialogUnits(dialog, 18, 10, 50, 14)));
            EXPECT_TRUE(SameRect(ChildRect(dialog, IDOK), DialogUnits(dialog, 18, 30, 50, 14)));
            EXPECT_EQ(WideText(GetDlgItem(dialog, IDOK)), L"OK");
            EXPECT_EQ(WideText(GetDlgItem(dialog, IDC_NEWS)), L"\x6700\x65B0\x60C5\x5831");
            char bytes[16] = "";
            GetDlgItemTextA(dialog, IDC_NEWS, bytes, sizeof bytes);
            EXPECT_STREQ(bytes, "\x8d\xc5\x90\x56\x8f\xee\x95\xf1");

            // The dialog font is the template's 9 point one.
            LOGFONTW font = {};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font,
                       &font);
            EXPECT_STREQ(font.lfFaceName, L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");

            EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
            EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
            return true;
        },
        [](HWND dialog) {
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        }};
    EXPECT_EQ(RunDriven(steps), 1);
    EXPECT_TRUE(looked);
}

struct EndCase {
    const char* name;
    std::function<void(HWND)> act;
};

void PrintTo(const EndCase& c, std::ostream* out) {
    *out << c.name;
}

class AboutDialogEndTest : public AboutDialogTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(AboutDialogEndTest, EndsWithResultOne) {
    bool acted = false;
    Drive steps;
    steps.steps = {[&](HWND dialog) {
        GetParam().act(dialog);
        acted = true;
        return true;
    }};
    EXPECT_EQ(RunDriven(steps), 1) << (acted ? "" : "the dialog never came up");
    EXPECT_TRUE(acted);
    EXPECT_TRUE(shellCalls.empty());
}

void PostKey(WPARAM key) {
    // To the focused control, where a real key goes; the modal loop's dialog handling sees it.
    PostMessageA(GetFocus(), WM_KEYDOWN, key, 1);
    PostMessageA(GetFocus(), WM_KEYUP, key, 0xC0000001);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, AboutDialogEndTest,
    ::testing::Values(
        EndCase{"Escape", [](HWND) { PostKey(VK_ESCAPE); }},
        EndCase{"Enter", [](HWND) { PostKey(VK_RETURN); }},
        EndCase{"OkButton",
                [](HWND dialog) { PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); }},
        EndCase{"CloseBox", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        // The notification code in the high word does not matter.
        EndCase{"CancelCommandWithNotificationCode",
                [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 1), 0); }},
        // The procedure's own answer to the messages that end the dialog.
        EndCase{"ProcedureCalledWithClose",
                [](HWND dialog) { EXPECT_EQ(AboutDlgProc(dialog, WM_CLOSE, 0, 0), TRUE); }},
        EndCase{"ProcedureCalledWithOk",
                [](HWND dialog) {
                    EXPECT_EQ(AboutDlgProc(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0),
                              TRUE);
                }}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST_F(AboutDialogTest, NewsButtonOpensThePageOnEveryPressAndTheDialogStays) {
    const char* const expectedPage = PublisherPageAddress;
    ASSERT_NE(std::string(expectedPage).find("://"), std::string::npos);
    // The second press fails, as ShellExecuteA does without a browser: nothing else happens.
    std::vector<size_t> callsAfterPress;
    std::vector<bool> openAfterPress;
    std::vector<int> windowsAfterPress;
    auto press = [](HWND dialog) {
        PostMessageA(GetDlgItem(dialog, IDC_NEWS), BM_CLICK, 0, 0);
        return true;
    };
    auto look = [&](HWND dialog) {
        callsAfterPress.push_back(shellCalls.size());
        openAfterPress.push_back(IsWindowVisible(dialog) != FALSE);
        windowsAfterPress.push_back(VisibleThreadWindows());
        shellResult = reinterpret_cast<HINSTANCE>(SE_ERR_NOASSOC);
        return true;
    };
    Drive steps;
    steps.steps = {press, look, press, look,
                   // Another control's command leaves it open too.
                   [](HWND dialog) {
                       PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1234, BN_CLICKED), 0);
                       return true;
                   },
                   look,
                   [](HWND dialog) {
                       PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                       return true;
                   }};
    EXPECT_EQ(RunDriven(steps), 1);

    EXPECT_EQ(callsAfterPress, (std::vector<size_t>{1, 2, 2}));
    EXPECT_EQ(openAfterPress, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(windowsAfterPress, (std::vector<int>{1, 1, 1}));
    for (const ShellCall& call : shellCalls) {
        EXPECT_EQ(call.window, nullptr);
        EXPECT_EQ(call.verb, "open");
        EXPECT_EQ(call.file, expectedPage);
        EXPECT_TRUE(call.noParameters);
        EXPECT_TRUE(call.noDirectory);
        EXPECT_EQ(call.show, SW_SHOWNORMAL);
    }
}

TEST(AboutDlgProcTest, AnswersFalseToWhatItDoesNotHandle) {
    shellCalls.clear();
    OpenPublisherPage = RecordShellExecute;
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        INT_PTR result;
    };
    const Case cases[] = {
        {"init dialog", WM_INITDIALOG, 0, TRUE},
        {"news command", WM_COMMAND, MAKEWPARAM(IDC_NEWS, BN_CLICKED), FALSE},
        {"other command", WM_COMMAND, MAKEWPARAM(1234, BN_CLICKED), FALSE},
        {"paint", WM_PAINT, 0, FALSE},
        {"key", WM_KEYDOWN, VK_ESCAPE, FALSE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AboutDlgProc(nullptr, c.message, c.wParam, 0), c.result) << c.name;
    }
    EXPECT_EQ(shellCalls.size(), 1u);
    OpenPublisherPage = ShellExecuteA;
}

}  // namespace
