#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "shell/command_line.h"
#include "shell/password.h"
#include "shell/saver_window.h"
#include "shell_test_support.h"

namespace {

// NoDesktopKey: HKEY_CURRENT_USER is an empty key, without even "Control Panel\desktop".
enum class Setting { Absent, Dword, Raw, NoDesktopKey };

struct CheckCase {
    const char* name;
    Setting setting;
    DWORD type;
    std::vector<uint8_t> bytes;
    // Folder of the doubles to find PASSWORD.CPL in; nullptr: no PASSWORD.CPL at all.
    const char* doubles;
    int answer;
    int32_t result;
    int prompts;
    bool message;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

class PasswordTest : public testing::Test {
protected:
    void SetUp() override {
        ClearDoubleRecords();
        ResetShellState(ModeFullScreen);
        cursorCount = CursorDisplayCount();
    }
    void TearDown() override {
        DisposeSaverWindow();
        if (window != nullptr) {
            DestroyWindow(window);
        }
        UseDoubles(nullptr);
        ClearDoubleRecords();
        SetCursorDisplayCount(cursorCount);
    }

    HWND PlainWindow() {
        window = CreateWindowExA(0, "STATIC", "prompt owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
        return window;
    }

    void StartFullScreenSaver() {
        SetCursorPos(700, 500);
        ASSERT_EQ(CreateSaverWindow(0), 0);
    }

    UsePasswordSetting setting;
    HWND window = nullptr;
    int cursorCount = 0;
};

void ExpectVerificationFailureBox(const CaughtBox& box) {
    EXPECT_EQ(box.text,
              "\x83\x70\x83\x58\x83\x8f\x81\x5b\x83\x68\x82\xf0\x8a\x6d\x94\x46\x82\xc5"
              "\x82\xab\x82\xdc\x82\xb9\x82\xf1");
    EXPECT_EQ(box.caption, "\x90\xdd\x92\xe8\x92\x6c\x8e\xe6\x93\xbe\x83\x47\x83\x89\x81\x5b");
    // What the box shows, not only its bytes: right only under code page 932.
    EXPECT_EQ(GetACP(), 932u);
    EXPECT_EQ(box.wideText, L"パスワードを確認できません");
    EXPECT_EQ(box.wideCaption, L"設定値取得エラー");
    EXPECT_EQ(box.buttonIds, std::vector<int>{IDOK});
}

class CheckClosePasswordTest : public PasswordTest,
                               public testing::WithParamInterface<CheckCase> {};

// HKEY_CURRENT_USER of this process pointed at an empty key while it lives.
class EmptyCurrentUser {
public:
    EmptyCurrentUser() {
        RegDeleteTreeA(HKEY_CURRENT_USER, Path);
        if (RegCreateKeyExA(HKEY_CURRENT_USER, Path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                            nullptr) == ERROR_SUCCESS) {
            overridden = RegOverridePredefKey(HKEY_CURRENT_USER, root) == ERROR_SUCCESS;
        }
    }
    ~EmptyCurrentUser() {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (root != nullptr) {
            RegCloseKey(root);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, Path);
    }
    EmptyCurrentUser(const EmptyCurrentUser&) = delete;
    EmptyCurrentUser& operator=(const EmptyCurrentUser&) = delete;

    bool Overridden() const { return overridden; }
    bool HasDesktopKey() const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, "Control Panel\\desktop", 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

private:
    static constexpr const char* Path = "Software\\TorvexEmptyUser";
    HKEY root = nullptr;
    bool overridden = false;
};

TEST_P(CheckClosePasswordTest, DecidesByTheSettingAndThePrompt) {
    const CheckCase& c = GetParam();
    std::optional<EmptyCurrentUser> emptyUser;
    switch (c.setting) {
        case Setting::Absent:
            setting.Remove();
            break;
        case Setting::Dword:
        case Setting::Raw:
            setting.Set(c.type, c.bytes);
            break;
        case Setting::NoDesktopKey:
            emptyUser.emplace();
            ASSERT_TRUE(emptyUser->Overridden());
            ASSERT_FALSE(emptyUser->HasDesktopKey());
            break;
    }
    if (c.doubles == nullptr) {
        HMODULE system = LoadLibraryA("PASSWORD.CPL");
        ASSERT_EQ(system, nullptr) << "this prefix has a PASSWORD.CPL of its own";
    }
    UseDoubles(c.doubles);
    SetEnvironmentVariableA("TORVEX_DOUBLE_VERIFY_ANSWER", std::to_string(c.answer).c_str());
    HWND owner = PlainWindow();

    MessageBoxCatcher catcher;
    EXPECT_EQ(CheckClosePassword(owner), c.result);
    EXPECT_EQ(PasswordCheckDepth, 0);

    const std::string calls = ReadEnvironment("TORVEX_DOUBLE_VERIFY_CALLS");
    EXPECT_EQ(calls, c.prompts == 0 ? "" : std::to_string(c.prompts));
    if (c.prompts != 0) {
        EXPECT_EQ(ReadEnvironment("TORVEX_DOUBLE_VERIFY_WINDOW"), std::to_string(LONG_PTR(owner)));
    }
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr) << "released after use";
    ASSERT_EQ(catcher.Boxes().size(), c.message ? 1u : 0u);
    if (c.message) {
        ExpectVerificationFailureBox(catcher.Boxes()[0]);
    }
    if (emptyUser) {
        EXPECT_TRUE(emptyUser->HasDesktopKey()) << "the check creates the desktop key";
    }
}

const std::vector<uint8_t> One = {1, 0, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Settings, CheckClosePasswordTest,
    testing::Values(
        CheckCase{"Absent", Setting::Absent, 0, {}, "verify", 0, 0, 0, false},
        CheckCase{"NoDesktopKey", Setting::NoDesktopKey, 0, {}, "verify", 0, 0, 0, false},
        CheckCase{"Zero", Setting::Dword, REG_DWORD, {0, 0, 0, 0}, "verify", 0, 0, 0, false},
        CheckCase{"OneProved", Setting::Dword, REG_DWORD, One, "verify", 1, 0, 1, false},
        CheckCase{"OneRefused", Setting::Dword, REG_DWORD, One, "verify", 0, 1, 1, false},
        CheckCase{
            "HighByteRefused", Setting::Dword, REG_DWORD, {0, 0, 0, 1}, "verify", 0, 1, 1, false},
        // Longer than 4 bytes: unreadable as the setting, so no password is asked.
        CheckCase{"FiveBytes", Setting::Raw, REG_BINARY, {1, 0, 0, 0, 0}, "verify", 0, 0, 0, false},
        // Shorter than 4 bytes: the bytes given, the rest zero.
        CheckCase{"OneZeroByte", Setting::Raw, REG_BINARY, {0}, "verify", 0, 0, 0, false},
        CheckCase{"TextOneRefused", Setting::Raw, REG_SZ, {'1', 0}, "verify", 0, 1, 1, false},
        CheckCase{"LibraryMissing", Setting::Dword, REG_DWORD, One, nullptr, 1, 1, 0, true},
        CheckCase{"EntryPointMissing", Setting::Dword, REG_DWORD, One, "no_verify", 1, 1, 0, true}),
    [](const testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

TEST_F(PasswordTest, ACheckInProgressRefusesAnotherAtOnce) {
    setting.SetDword(1);
    UseDoubles(nullptr);
    PasswordCheckDepth = 1;
    MessageBoxCatcher catcher;
    EXPECT_EQ(CheckClosePassword(PlainWindow()), 1);
    EXPECT_EQ(PasswordCheckDepth, 1);
    EXPECT_TRUE(catcher.Boxes().empty());
}

TEST_F(PasswordTest, ARefusedCloseKeepsTheSaverAndNeedsSevenMoreMoves) {
    setting.SetDword(1);
    UseDoubles("verify");
    StartFullScreenSaver();
    const POINT saved = SavedCursorPos;
    const LPARAM distant = MAKELPARAM(saved.x + 100, saved.y + 100);
    SetCursorPos(saved.x + 100, saved.y + 100);
    for (int move = 0; move < 7; ++move) {
        SendMessageA(SaverWindow, WM_MOUSEMOVE, 0, distant);
    }
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, SaverWindow, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    DispatchMessageA(&message);

    ASSERT_TRUE(IsWindow(SaverWindow));
    EXPECT_EQ(ReadEnvironment("TORVEX_DOUBLE_VERIFY_CALLS"), "1");
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, saved.x);
    EXPECT_EQ(cursor.y, saved.y);
    EXPECT_EQ(MouseMoveCount, 0);
    for (int move = 1; move <= 7; ++move) {
        SCOPED_TRACE(move);
        SendMessageA(SaverWindow, WM_MOUSEMOVE, 0, distant);
        EXPECT_EQ(PeekMessageA(&message, SaverWindow, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0,
                  move == 7);
    }

    // Asked again from scratch, and this time proved.
    SetEnvironmentVariableA("TORVEX_DOUBLE_VERIFY_ANSWER", "1");
    DispatchMessageA(&message);
    EXPECT_EQ(ReadEnvironment("TORVEX_DOUBLE_VERIFY_CALLS"), "2");
    EXPECT_FALSE(IsWindow(SaverWindow));
}

TEST_F(PasswordTest, MissingLibraryKeepsTheSaverAndSaysSo) {
    setting.SetDword(1);
    UseDoubles(nullptr);
    StartFullScreenSaver();
    SetCursorPos(SavedCursorPos.x + 50, SavedCursorPos.y + 50);
    MessageBoxCatcher catcher;
    EXPECT_EQ(SendMessageA(SaverWindow, WM_CLOSE, 0, 0), 0);
    ASSERT_TRUE(IsWindow(SaverWindow));
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    ExpectVerificationFailureBox(catcher.Boxes()[0]);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, SavedCursorPos.x);
    EXPECT_EQ(cursor.y, SavedCursorPos.y);
}

TEST_F(PasswordTest, ACloseRequestWhileThePromptIsOpenIsRefusedWithoutASecondPrompt) {
    setting.SetDword(1);
    UseDoubles("verify");
    SetEnvironmentVariableA("TORVEX_DOUBLE_VERIFY_ANSWER", "1");
    SetEnvironmentVariableA("TORVEX_DOUBLE_VERIFY_INPUT", "1");
    StartFullScreenSaver();
    MouseMoveCount = 5;

    MessageBoxCatcher catcher;
    EXPECT_EQ(SendMessageA(SaverWindow, WM_CLOSE, 0, 0), 0);

    EXPECT_EQ(ReadEnvironment("TORVEX_DOUBLE_VERIFY_CALLS"), "1");
    // The nested refusal put the cursor back while the prompt was still open.
    EXPECT_EQ(ReadEnvironment("TORVEX_DOUBLE_VERIFY_CURSOR"),
              std::to_string(SavedCursorPos.x) + " " + std::to_string(SavedCursorPos.y));
    EXPECT_EQ(MouseMoveCount, 0);
    EXPECT_TRUE(catcher.Boxes().empty());
    EXPECT_EQ(PasswordCheckDepth, 0);
    EXPECT_FALSE(IsWindow(SaverWindow)) << "the prompt's own answer still decides";
}

}  // namespace
