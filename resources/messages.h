// The message texts of the shell in code page 932. Each string holds the bytes of the text in
// the comment above it, escaped, so that neither the compiler's source nor its execution
// character set can change them.
#pragma once

// ウィンドウが作成できません
inline constexpr char WindowCreationFailedText[] =
    "\x83\x45\x83\x42\x83\x93\x83\x68\x83\x45\x82\xaa\x8d\xec\x90\xac\x82\xc5\x82\xab\x82\xdc\x82"
    "\xb9\x82\xf1";
// 初期化エラー
inline constexpr char WindowCreationFailedCaption[] =
    "\x8f\x89\x8a\xfa\x89\xbb\x83\x47\x83\x89\x81\x5b";

// パスワードを確認できません
inline constexpr char PasswordCheckFailedText[] =
    "\x83\x70\x83\x58\x83\x8f\x81\x5b\x83\x68\x82\xf0\x8a\x6d\x94\x46\x82\xc5\x82\xab\x82\xdc\x82"
    "\xb9\x82\xf1";
// 設定値取得エラー
inline constexpr char PasswordCheckFailedCaption[] =
    "\x90\xdd\x92\xe8\x92\x6c\x8e\xe6\x93\xbe\x83\x47\x83\x89\x81\x5b";

// MPR.DLLが見つかりません
inline constexpr char MprMissingText[] =
    "\x4d\x50\x52\x2e\x44\x4c\x4c\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
inline constexpr char MprMissingCaption[] = "TORVEX";
