// A publisher's program, made both ways a publisher can make it on Debian,
// each through patch-make: with the build's options (the test
// release_publisher_build) and with scripts/publish (release_publish_script,
// which also signs it). Their own settings text, icon, program name and
// version texts end up in the program, and the patch files beside it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "release_expectations.h"
#include "settings/settings_text.h"
#include "settings/settings_keys.h"
#include "core/HandleOwners.h"
#include "maker/ProgramIcon.h"
#include "tests/driver/ProgramProcess.h"
#include "tests/driver/ProgramWindows.h"
#include "tests/release/ShippedFile.h"
#include "tests/support/TempFolder.h"
#include "tests/support/case_name.h"

namespace {

const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

std::string embeddedSettings(const std::wstring& program) {
    return resourceBytes(program, L"INF", MAKEINTRESOURCEW(103), japanese);
}

// One way of making the publisher's program: where it lands, and the
// picture it was given for its icon (a 24-bit .ico to the build's options, a
// PNG to scripts/publish).
struct TheirBuild {
    const char* name;
    std::wstring program;
    std::wstring expectedIcon;
};

void PrintTo(const TheirBuild& build, std::ostream* out) { *out << build.name; }

class TheirProgram : public testing::TestWithParam<TheirBuild> {};

TEST_P(TheirProgram, EmbedsTheirSettingsTextInCodePage932) {
    const std::string embedded = embeddedSettings(GetParam().program);
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

TEST_P(TheirProgram, CarriesTheirIconAsOne128By128ImageIn24Bits) {
    const std::string image = groupIconImage(GetParam().program, 102);
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header{};
    std::memcpy(&header, image.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 128);
    EXPECT_EQ(header.biHeight, 2 * 128) << "an icon's bitmap counts its colour and mask rows";
    EXPECT_EQ(header.biBitCount, 24);
    // The image patch-make makes of the picture, nothing of the stub's.
    ProgramIcon expected;
    std::wstring problem;
    ASSERT_TRUE(programIconFrom(GetParam().expectedIcon, 1, expected, problem)) << utf8(problem);
    EXPECT_TRUE(image == std::string(expected.image.begin(), expected.image.end()));
}

TEST_P(TheirProgram, VersionResourceCarriesTheirTexts) {
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
    const std::wstring& program = GetParam().program;
    for (const Field& field : fields) {
        EXPECT_EQ(versionText(program, field.name), field.expected)
            << "field " << testing::PrintToString(std::wstring(field.name));
    }
    const FixedVersions numbers = fixedVersions(program);
    EXPECT_EQ(numbers.file, (VersionNumbers{2, 5, 1, 0}));
    EXPECT_EQ(numbers.product, (VersionNumbers{2025, 3, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Routes, TheirProgram,
    testing::Values(TheirBuild{"BuildOptions", publisher::programFile, publisher::iconSource},
                    TheirBuild{"PublishScript", published::programFile, published::iconSource}),
    caseName<TheirBuild>);

// The patch folder holds the program and the patch files, as they were, and
// nothing else: the program carries its settings.
TEST(PublishedFolder, HoldsTheProgramAndThePatchFilesOnly) {
    const std::wstring folder = published::folder;
    EXPECT_EQ(namesIn(folder), (std::vector<std::wstring>{L"chapter2.pak", L"update.v2.exe", L"voice_ソング.ogg"}));
    for (const wchar_t* name : {L"chapter2.pak", L"voice_ソング.ogg"}) {
        EXPECT_EQ(readWholeFile(folder + L"/" + name),
                  readWholeFile(std::wstring(published::filesFolder) + L"/" + name))
            << utf8(name);
    }
}

// The machine a program file is built for, from its PE header; 0 when the
// file is no PE program.
WORD machineOf(const std::wstring& program) {
    const std::string bytes = readWholeFile(program);
    if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0) {
        return 0;
    }
    std::uint32_t header = 0;
    std::memcpy(&header, bytes.data() + 0x3C, sizeof header);
    WORD machine = 0;
    if (header > bytes.size() - 6 || bytes.compare(header, 4, std::string("PE\0\0", 4)) != 0) {
        return 0;
    }
    std::memcpy(&machine, bytes.data() + header + 4, sizeof machine);
    return machine;
}

// A release's program is the player's 32-bit one, whichever patch-make
// (32-bit or 64-bit) wrote it.
TEST(PublishedFolder, ProgramIsThe32BitStub) {
    EXPECT_EQ(machineOf(backslashed(published::programFile)), IMAGE_FILE_MACHINE_I386);
}

// The signed program starts as a player starts it, reads the settings built
// into it, and says that their game is not installed here.
TEST(PublishedFolder, SignedProgramRunsOnItsBuiltInSettings) {
    if (sizeof(void*) == 8) {
        // The 64-bit build's tests run where 32-bit programs may not run at
        // all (scripts/test --help): this one must run the 32-bit release.
        GTEST_SKIP() << "the released program is 32-bit, and this 64-bit build's tests run where no 32-bit "
                        "program may run";
    }
    ProgramProcess run(backslashed(published::programFile));
    ASSERT_TRUE(run.started()) << utf8(published::programFile);
    HWND box = waitForDialog(run.processId(), DialogKind::messageBox);
    ASSERT_NE(box, nullptr) << "the program showed no message";
    const MessageBoxView view = readMessageBox(box);
    EXPECT_EQ(view.text, L"Velk 第二章がインストールされていません。");
    pressButton(box, IDOK);
    const std::optional<DWORD> code = run.exitCode(windowTimeoutMs);
    ASSERT_TRUE(code.has_value()) << "the program did not end";
    EXPECT_EQ(*code, 0u);
}

}  // namespace
