// Run twice by ctest: PasswordChangePresent with WINEDLLOVERRIDES=mpr=n,b (a MPR.DLL of ours
// is loaded before the system's) and PasswordChangeAbsent with mpr= (none at all).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "shell/command_line.h"
#include "shell/password.h"
#include "shell_test_support.h"

namespace {

class PasswordChangeTest : public testing::Test {
protected:
    void SetUp() override {
        ClearDoubleRecords();
        ResetShellState(ModeChangePassword);
        HostWindow = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(HostWindow);
        UseDoubles(nullptr);
        ClearDoubleRecords();
    }
};

using PasswordChangePresent = PasswordChangeTest;
using PasswordChangeAbsent = PasswordChangeTest;

TEST_F(PasswordChangePresent, CallsTheChangeDialogForTheScreenSaverWithTheHost) {
    UseDoubles("change");
    MessageBoxCatcher catcher;
    RunPasswordChange();
    EXPECT_EQ(ReadEnvironment("TORVEX_DOUBLE_CHANGE_CALL"),
              "SCRSAVE " + std::to_string(LONG_PTR(HostWindow)) + " 0 0");
    EXPECT_TRUE(catcher.Boxes().empty());
    EXPECT_EQ(GetModuleHandleA("MPR.DLL"), nullptr) << "released after use";
}

TEST_F(PasswordChangePresent, WithoutTheEntryPointShowsNothing) {
    UseDoubles("no_change");
    HMODULE ours = LoadLibraryA("MPR.DLL");
    ASSERT_NE(ours, nullptr);
    EXPECT_NE(GetProcAddress(ours, "UnrelatedEntry"), nullptr) << "not the double";
    FreeLibrary(ours);
    MessageBoxCatcher catcher;
    RunPasswordChange();
    EXPECT_EQ(ReadEnvironment("TORVEX_DOUBLE_CHANGE_CALL"), "");
    EXPECT_TRUE(catcher.Boxes().empty());
    EXPECT_EQ(GetModuleHandleA("MPR.DLL"), nullptr) << "released after use";
}

TEST_F(PasswordChangeAbsent, SaysTheLibraryIsMissing) {
    HMODULE system = LoadLibraryA("MPR.DLL");
    ASSERT_EQ(system, nullptr) << "run with WINEDLLOVERRIDES=mpr=";
    MessageBoxCatcher catcher;
    RunPasswordChange();
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    const CaughtBox& box = catcher.Boxes()[0];
    EXPECT_EQ(box.text, "MPR.DLL\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1");
    EXPECT_EQ(box.caption, "TORVEX");
    EXPECT_EQ(GetACP(), 932u);
    EXPECT_EQ(box.wideText, L"MPR.DLLが見つかりません");
    EXPECT_EQ(box.buttonIds, std::vector<int>{IDOK});
}

}  // namespace
