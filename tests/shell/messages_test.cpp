#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "resources/messages.h"

namespace {

struct MessageCase {
    const char* name;
    const char* bytes;
    const wchar_t* text;
};

class MessageTextTest : public testing::TestWithParam<MessageCase> {};

// Each stored text is exactly its Japanese text in code page 932, and its canonical encoding.
TEST_P(MessageTextTest, IsItsTextInCodePage932) {
    const MessageCase& c = GetParam();
    wchar_t wide[256] = {};
    const int wideLength = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, c.bytes, -1, wide, 256);
    ASSERT_GT(wideLength, 0) << "not valid code page 932";
    EXPECT_EQ(std::wstring(wide), std::wstring(c.text));

    char back[256] = {};
    BOOL lossy = FALSE;
    ASSERT_GT(WideCharToMultiByte(932, 0, c.text, -1, back, sizeof back, nullptr, &lossy), 0);
    EXPECT_FALSE(lossy);
    EXPECT_EQ(std::string(back), std::string(c.bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Shell, MessageTextTest,
    testing::Values(
        MessageCase{"WindowCreationFailedText", WindowCreationFailedText,
                    L"ウィンドウが作成できません"},
        MessageCase{"WindowCreationFailedCaption", WindowCreationFailedCaption, L"初期化エラー"},
        MessageCase{"PasswordCheckFailedText", PasswordCheckFailedText,
                    L"パスワードを確認できません"},
        MessageCase{"PasswordCheckFailedCaption", PasswordCheckFailedCaption, L"設定値取得エラー"},
        MessageCase{"MprMissingText", MprMissingText, L"MPR.DLLが見つかりません"},
        MessageCase{"MprMissingCaption", MprMissingCaption, L"TORVEX"}),
    [](const testing::TestParamInfo<MessageCase>& info) { return std::string(info.param.name); });

}  // namespace
