// The program of this build as it ships: the manifest that Windows acts on,
// the version resource that the file's properties show, and the release
// folder with the program and a sample settings file a publisher starts from.
#include <windows.h>

#include <gtest/gtest.h>

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

TEST(ShippedProgram, VersionResourceSaysWhatTheFileIs) {
    struct Field {
        const wchar_t* name;
        std::wstring expected;
    };
    const std::wstring programName = fromUtf8(shipped::programName);
    const Field fields[] = {
        {L"FileDescription", fromUtf8(shipped::fileDescription)},
        {L"ProductName", fromUtf8(shipped::productName)},
        {L"CompanyName", fromUtf8(shipped::companyName)},
        {L"LegalCopyright", fromUtf8(shipped::copyright)},
        {L"FileVersion", fromUtf8(shipped::fileVersion)},
        {L"ProductVersion", fromUtf8(shipped::productVersion)},
        {L"InternalName", programName},
        {L"OriginalFilename", programName + L".exe"},
    };
    for (const Field& field : fields) {
        EXPECT_EQ(versionText(program, field.name), field.expected)
            << "field " << testing::PrintToString(std::wstring(field.name));
    }
    const FixedVersions numbers = fixedVersions(program);
    EXPECT_EQ(numbers.file, (VersionNumbers{shipped::fileVersionNumbers[0], shipped::fileVersionNumbers[1],
                                            shipped::fileVersionNumbers[2], shipped::fileVersionNumbers[3]}));
    EXPECT_EQ(numbers.product,
              (VersionNumbers{shipped::productVersionNumbers[0], shipped::productVersionNumbers[1],
                              shipped::productVersionNumbers[2], shipped::productVersionNumbers[3]}));
}

TEST(ShippedProgram, ReleaseFolderHoldsTheProgramAndASampleSettingsFileNamedAfterIt) {
    EXPECT_EQ(readWholeFile(distFile(fromUtf8(shipped::programName) + L".exe")), readWholeFile(program));
    const std::string sample = readWholeFile(distFile(fromUtf8(shipped::settingsBaseName) + L".inf"));
    EXPECT_EQ(sample, settingsBytes(readWholeFile(shipped::sampleSource)));
}

TEST(ShippedProgram, ReleaseFolderHoldsThePublishersCheckBesideTheProgram) {
    EXPECT_EQ(readWholeFile(distFile(L"patch-check.exe")), readWholeFile(shipped::checkerFile));
}

// A publisher starts from the sample: it must read as the program reads
// settings, give what the program's embedded settings give, and say what
// each key is for.
TEST(ShippedProgram, SampleSettingsCommentEveryKeyAndMatchTheEmbeddedSettings) {
    const std::string sample = readWholeFile(distFile(fromUtf8(shipped::settingsBaseName) + L".inf"));
    ASSERT_FALSE(sample.empty());
    EXPECT_NE(sample.substr(0, 3), "\xEF\xBB\xBF") << "a byte-order mark would hide the first key";
    for (std::size_t at = 0; at < sample.size(); ++at) {
        const bool pairStarts = sample[at] == '\r' && at + 1 < sample.size() && sample[at + 1] == '\n';
        const bool pairEnds = sample[at] == '\n' && at > 0 && sample[at - 1] == '\r';
        if (sample[at] == '\r' || sample[at] == '\n') {
            ASSERT_TRUE(pairStarts || pairEnds) << "a line ends without CR LF at byte " << at;
        }
    }
    EXPECT_EQ(sample.substr(sample.size() - 2), "\r\n");

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
