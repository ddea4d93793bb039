// A publisher's build (made by the test release_publisher_build): their own
// settings text, icon, program name and version texts end up in the program
// and in its release folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "release_expectations.h"
#include "settings/SettingsText.h"
#include "settings/settings_keys.h"
#include "tests/release/ShippedFile.h"
#include "tests/support/TempFolder.h"

namespace {

const std::string program = publisher::programFile;
const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

std::string embeddedSettings() {
    return resourceBytes(program, "INF", MAKEINTRESOURCEA(103), japanese);
}

TEST(PublisherBuild, EmbedsTheirSettingsTextInCodePage932) {
    const std::string embedded = embeddedSettings();
    EXPECT_EQ(embedded, settingsBytes(readWholeFile(publisher::settingsSource)));

    // Read as the program reads it. ソ ends in the byte of a backslash: the
    // caption and the file name keep it whole.
    SettingsText text;
    ASSERT_EQ(text.readMemory(embedded.data(), embedded.size()), settingsReadOk);
    const SettingsValues values = readSettingsValues(text.lines());
    EXPECT_EQ(values.caption, "Velk 第二章 ソフト更新");
    EXPECT_EQ(values.title, "Velk 第二章");
    EXPECT_EQ(values.company, "表示テスト工房");
    EXPECT_EQ(values.executableName, "Velk2.exe");
    EXPECT_EQ(values.files, (std::vector<FileLine>{{"chapter2.pak", ""}, {"voice_ソング.ogg", "voice.ogg"}}));
}

TEST(PublisherBuild, CarriesTheirIcon) {
    const std::string image = groupIconImage(program, 102);
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(image, icoFileImage(readWholeFile(publisher::iconSource)));
}

// The program's file name has a full stop in it: its settings file is named
// after the name up to there.
TEST(PublisherBuild, ReleaseFolderUsesTheirProgramNameAndHoldsTheirSettings) {
    const std::string dist = publisher::distFolder;
    EXPECT_EQ(readWholeFile(dist + "/update.v2.exe"), readWholeFile(program));
    EXPECT_EQ(readWholeFile(dist + "/update.inf"), embeddedSettings())
        << "a sample beside the program replaces the embedded settings, so it must be the publisher's own";
}

TEST(PublisherBuild, VersionResourceCarriesTheirTexts) {
    struct Field {
        const wchar_t* name;
        std::wstring expected;
    };
    const Field fields[] = {
        {L"FileDescription", fromUtf8(u8R"(Velk "第二章" 更新\プログラム)")},
        {L"ProductName", fromUtf8(u8"Velk 第二章")},
        {L"CompanyName", fromUtf8(u8"表示テスト工房")},
        {L"LegalCopyright", fromUtf8(u8"© 2025 表示テスト工房")},
        {L"FileVersion", L"2.5.1"},
        {L"ProductVersion", L"2025.3"},
        {L"InternalName", L"update.v2"},
        {L"OriginalFilename", L"update.v2.exe"},
    };
    for (const Field& field : fields) {
        EXPECT_EQ(versionText(program, field.name), field.expected)
            << "field " << testing::PrintToString(std::wstring(field.name));
    }
    const FixedVersions numbers = fixedVersions(program);
    EXPECT_EQ(numbers.file, (VersionNumbers{2, 5, 1, 0}));
    EXPECT_EQ(numbers.product, (VersionNumbers{2025, 3, 0, 0}));
}

}  // namespace
