// The settings built into the program (the demo game's), as the tests
// expect them. A publisher's own settings go into a release, never into the
// program the build makes.
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
