// The default settings this repository embeds, as the tests expect them.
// A build whose publisher embeds their own text skips the tests that rely
// on these (PATCH_REPOSITORY_DEFAULT_SETTINGS is set by the build).
#pragma once

#include <gtest/gtest.h>

#include <string>

inline const char* const defaultSettingsLines[] = {
    ";パッチプログラムのキャプション名,名前",
    "キャプション,Harborlight修正ファイル更新プログラム",
    ";インストール時のタイトル,名前",
    "タイトル,Harborlight",
    ";インストール時の社名,名前",
    "社名,ハーバーライト",
    ";インストールされている実行ファイル名,ファイル名",
    "実行ファイル,Velk.exe",
    "",
    ";更新ファイル,コピーするファイル名,コピー先でのファイル名（省略可）",
    "ファイル,harbor.dat",
    "ファイル,lighthouse.pak",
};

// The embedded bytes: every line ended by CR LF.
inline std::string defaultSettingsBytes() {
    std::string bytes;
    for (const char* line : defaultSettingsLines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

#define SKIP_UNLESS_REPOSITORY_DEFAULT_SETTINGS()                                      \
    if (!PATCH_REPOSITORY_DEFAULT_SETTINGS) {                                          \
        GTEST_SKIP() << "the build embeds another default settings text";              \
    }
