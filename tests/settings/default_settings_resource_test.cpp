// The default settings as the built module holds them: type "INF", id 103,
// in Japanese only, code page 932 with CR LF breaks.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "settings/SettingsLoading.h"
#include "tests/settings/default_settings_text.h"

namespace {

BOOL CALLBACK collectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
}

TEST(DefaultSettingsResource, HoldsTheTwelveLinesInCodePage932) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource =
        FindResourceW(module, MAKEINTRESOURCEW(IDR_DEFAULT_SETTINGS), defaultSettingsResourceType);
    ASSERT_NE(resource, nullptr);
    const DWORD size = SizeofResource(module, resource);
    const void* bytes = LockResource(LoadResource(module, resource));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(bytes), size), defaultSettingsBytes());
}

TEST(DefaultSettingsResource, IsJapaneseOnly) {
    std::vector<WORD> languages;
    ASSERT_TRUE(EnumResourceLanguagesW(GetModuleHandleW(nullptr), defaultSettingsResourceType,
                                       MAKEINTRESOURCEW(IDR_DEFAULT_SETTINGS), collectLanguage,
                                       reinterpret_cast<LONG_PTR>(&languages)));
    EXPECT_EQ(languages, std::vector<WORD>{MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)});
}

}  // namespace
