// The program of this build as it ships, the stub of every release: the
// manifest that Windows acts on, the version resource that the file's
// properties show; and dist/, what a publisher downloads.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "release_expectations.h"
#include "settings/settings_text.h"
#include "settings/settings_keys.h"
#include "tests/support/TestOwners.h"
#include "tests/release/ShippedFile.h"
#include "tests/support/TempFolder.h"

namespace {

const std::wstring program = shipped::programFile;
const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

std::wstring distFile(const std::wstring& name) { return std::wstring(shipped::distFolder) + L"/" + name; }

std::vector<std::string> lines(const std::string& bytes) {
    SettingsText text;
    EXPECT_EQ(text.readMemory(bytes.data(), bytes.size()), settingsReadOk);
    return text.lines();
}

// Whether `context` sends loads of comctl32.dll to a side-by-side assembly:
// the version 6 controls that the manifest asks for.
bool redirectsCommonControls(HANDLE context) {
    ULONG_PTR cookie = 0;
    if (!ActivateActCtx(context, &cookie)) {
        ADD_FAILURE() << "the program's activation context could not be activated";
        return false;
    }
    ACTCTX_SECTION_KEYED_DATA found{};
    found.cbSize = sizeof found;
    const bool redirected =
        FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &found);
    DeactivateActCtx(0, cookie);
    return redirected;
}

// A windowsSettings value of the context, as the loader looks it up; "" when
// the manifest does not set it (or sets it in another namespace).
std::wstring windowsSetting(HANDLE context, const wchar_t* settingsNamespace, const wchar_t* name) {
    wchar_t value[64] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context, settingsNamespace, name, value, 64, &written)) {
        return L"";
    }
    return value;
}

TEST(ShippedProgram, ManifestGivesModernControlsAsksForAdministratorRightsAndNoCodePage) {
    const LPCWSTR manifestType = MAKEINTRESOURCEW(24);  // RT_MANIFEST
    const LPCWSTR processManifest = MAKEINTRESOURCEW(1);  // CREATEPROCESS_MANIFEST_RESOURCE_ID
    const std::string manifest = resourceBytes(program, manifestType, processManifest);
    ASSERT_FALSE(manifest.empty()) << utf8(program) << " has no application manifest";

    // The system reads the manifest as the loader would, and the dialog's
    // controls come from the version 6 assembly.
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = processManifest;
    ActivationContext context(CreateActCtxW(&request));
    const DWORD error = GetLastError();
    ASSERT_TRUE(context.valid()) << "the manifest was refused (error " << error << ")";
    EXPECT_TRUE(redirectsCommonControls(context.get()));
    // No code page of its own: the program speaks UTF-16 to Windows and
    // names code page 932 itself where it reads its settings, so it works
    // under any system code page. A request would also make Windows differ:
    // Windows 10 acts on activeCodePage only for UTF-8, Windows 11 also on a
    // locale name such as ja-JP, so the same program would run under two
    // code pages there.
    EXPECT_EQ(windowsSetting(context.get(), L"http://schemas.microsoft.com/SMI/2019/WindowsSettings",
                             L"activeCodePage"),
              L"");
    EXPECT_EQ(manifest.find("<activeCodePage"), std::string::npos);

    // Writes under Program Files must reach the game's folder, not the
    // user's VirtualStore: the program runs elevated. (Wine does not act on
    // this request, so its text is what can be checked here.)
    EXPECT_NE(manifest.find(R"(<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>)"),
              std::string::npos);
    EXPECT_NE(manifest.find(R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true)"),
              std::string::npos);
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos)
        << "Windows 10 and 11 are not among the supported versions";
}

// The stub says what it is: the demo game's texts, which a release replaces
// (and patch-make warns of where it would not).
TEST(ShippedProgram, VersionResourceSaysWhatTheFileIs) {
    struct Field {
        const wchar_t* name;
        std::wstring expected;
    };
    const Field fields[] = {
        {L"FileDescription", L"Harborlight修正ファイル更新プログラム"},
        {L"ProductName", L"Harborlight"},
        {L"CompanyName", L"ハーバーライト"},
        {L"LegalCopyright", L"Copyright (C) ハーバーライト"},
        {L"FileVersion", L"1.0.0.0"},
        {L"ProductVersion", L"1.0.0.0"},
        {L"InternalName", L"patch"},
        {L"OriginalFilename", L"patch.exe"},
    };
    for (const Field& field : fields) {
        EXPECT_EQ(versionText(program, field.name), field.expected)
            << "field " << testing::PrintToString(std::wstring(field.name));
    }
    const FixedVersions numbers = fixedVersions(program);
    EXPECT_EQ(numbers.file, (VersionNumbers{1, 0, 0, 0}));
    EXPECT_EQ(numbers.product, (VersionNumbers{1, 0, 0, 0}));
}

// Every file of a folder tree, relative to it, "/" between folders.
void listFiles(const std::wstring& folder, const std::wstring& relative, std::vector<std::wstring>& files) {
    for (const std::wstring& name : namesIn(folder + relative)) {
        const std::wstring path = relative + L"/" + name;
        if (GetFileAttributesW((folder + path).c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            listFiles(folder, path, files);
        } else {
            files.push_back(path.substr(1));
        }
    }
}

// dist/ holds what a publisher needs and nothing else: the stub, the two
// tools, the sample release ready to run, and the guide.
TEST(PublishersDownload, HoldsTheStubTheToolsTheSampleAndTheGuideOnly) {
    std::vector<std::wstring> files;
    listFiles(shipped::distFolder, L"", files);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::wstring>{L"README-ja.txt", L"patch-check.exe", L"patch-make.exe", L"patch.exe",
                                                L"sample/files/harbor.dat", L"sample/files/lighthouse.pak",
                                                L"sample/release.txt", L"sample/settings.txt"}));
    EXPECT_EQ(readWholeFile(distFile(L"patch.exe")), readWholeFile(program));
    EXPECT_EQ(readWholeFile(distFile(L"patch-check.exe")), readWholeFile(shipped::checkerFile));
    EXPECT_EQ(readWholeFile(distFile(L"patch-make.exe")), readWholeFile(shipped::makerFile));
    for (const wchar_t* name : {L"release.txt", L"settings.txt"}) {
        EXPECT_EQ(readWholeFile(distFile(std::wstring(L"sample/") + name)),
                  readWholeFile(std::wstring(shipped::sampleFolder) + L"/" + name));
    }
}

// The guide opens as UTF-8 in every Notepad: a byte-order mark and CR LF.
TEST(PublishersDownload, GuideIsTheJapaneseGuideAsNotepadReadsIt) {
    const std::string guide = readWholeFile(distFile(L"README-ja.txt"));
    std::string expected;
    for (const char c : readWholeFile(shipped::guideSource)) {
        if (c == '\n' && (expected.empty() || expected.back() != '\r')) {
            expected += '\r';
        }
        expected += c;
    }
    EXPECT_TRUE(guide == "\xEF\xBB\xBF" + expected) << "README-ja.txt is not docs/publishing.ja.md with CR LF";
}

// A publisher starts from the sample: its settings give what the stub's
// built-in settings give (so the sample release is the demo game's), and
// say what each key is for.
TEST(PublishersDownload, SampleSettingsCommentEveryKeyAndMatchTheBuiltInSettings) {
    const std::string sample = settingsBytes(readWholeFile(distFile(L"sample/settings.txt")));
    ASSERT_FALSE(sample.empty());
    const std::vector<std::string> sampleLines = lines(sample);
    const std::string embedded = resourceBytes(program, L"INF", MAKEINTRESOURCEW(103), japanese);
    EXPECT_EQ(readSettingsValues(sampleLines), readSettingsValues(lines(embedded)));

    const char* keys[] = {"キャプション,", "タイトル,", "社名,", "実行ファイル,", "ファイル,"};
    for (const char* key : keys) {
        std::string value;
        std::size_t first = 0;
        while (first < sampleLines.size() && !valueAfterKey(sampleLines[first], key, value)) {
            ++first;
        }
        ASSERT_LT(first, sampleLines.size()) << "the sample lacks the key " << key;
        EXPECT_TRUE(first > 0 && sampleLines[first - 1].starts_with(";"))
            << "no comment line explains the key " << key;
    }
}

}  // namespace
