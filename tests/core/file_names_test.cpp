// Paths as Windows resolves them: every spelling of one file resolves to the
// same path, and the paths compare as the file system compares names.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/FileNames.h"
#include "core/PathResolver.h"
#include "tests/support/TempFolder.h"
#include "tests/support/case_name.h"

namespace {

class ResolvedPath : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(folder.file(L"Data Folder").c_str(), nullptr));
        folder.write(L"Data Folder\\Long File Name.dat", "a");
        canonical = resolvedPathOf(folder.file(L"Data Folder\\Long File Name.dat"));
        shortFolder = shortNameOf(folder.file(L"Data Folder"));
        shortFile = shortNameOf(folder.file(L"Data Folder\\Long File Name.dat"));
    }

    TempFolder folder;
    std::wstring canonical;
    std::wstring shortFolder;
    std::wstring shortFile;
};

TEST_F(ResolvedPath, EverySpellingOfAFileResolvesToOnePath) {
    // Windows gives long names a short one on this file system.
    ASSERT_NE(shortFolder, L"Data Folder");
    ASSERT_NE(shortFile, L"Long File Name.dat");
    const std::wstring spellings[] = {
        L"Data Folder\\Long File Name.dat",
        L"./Data Folder/Long File Name.dat",
        L"data folder\\LONG FILE NAME.DAT",
        L"Data Folder\\..\\Data Folder\\.\\Long File Name.dat",
        L"Data Folder\\Long File Name.dat.",
        shortFolder + L"\\Long File Name.dat",
        L"Data Folder\\" + shortFile,
        shortFolder + L"\\" + shortFile,
    };
    // One resolver for every spelling, as the copy's plan and the table's
    // look-up ask it: each folder listed once.
    PathResolver resolver;
    for (const std::wstring& spelling : spellings) {
        SCOPED_TRACE(testing::Message() << std::string(spelling.begin(), spelling.end()));
        const std::wstring resolved = resolvedPathOf(folder.path() + L"\\" + spelling);
        EXPECT_TRUE(sameFileName(resolved, canonical));
        EXPECT_FALSE(fileNameBefore(resolved, canonical) || fileNameBefore(canonical, resolved));
        const std::wstring fromListing = resolver.resolved(folder.path() + L"\\" + spelling);
        EXPECT_TRUE(sameFileName(fromListing, canonical));
        EXPECT_TRUE(resolver.listed(fromListing));
    }
}

TEST_F(ResolvedPath, AMissingFileResolvesThroughTheFoldersThatExist) {
    const std::wstring expected = resolvedPathOf(folder.file(L"Data Folder")) + L"\\new file.dat";
    EXPECT_EQ(resolvedPathOf(folder.path() + L"\\" + shortFolder + L"\\new file.dat"), expected);
    EXPECT_EQ(resolvedPathOf(folder.path() + L"\\Data Folder\\new file.dat"), expected);
    EXPECT_EQ(resolvedPathOf(folder.path() + L"\\missing\\..\\Data Folder\\new file.dat"), expected);
    EXPECT_FALSE(sameFileName(resolvedPathOf(folder.file(L"Data Folder\\new file.da")), expected));

    PathResolver resolver;
    for (const std::wstring& spelling : {shortFolder + L"\\new file.dat", std::wstring(L"Data Folder\\new file.dat"),
                                        std::wstring(L"missing\\..\\Data Folder\\new file.dat")}) {
        const std::wstring resolved = resolver.resolved(folder.path() + L"\\" + spelling);
        EXPECT_TRUE(sameFileName(resolved, expected));
        EXPECT_FALSE(resolver.listed(resolved));
    }
}

// No file system keeps a name this long: nothing to resolve, and the call
// comes back.
TEST(ResolvedPathOfNothing, AnOverlongNameStaysAsGiven) {
    const std::wstring path = L"C:\\" + std::wstring(1200, L'f') + L"\\a.dat";
    EXPECT_EQ(resolvedPathOf(path), path);
}

struct NameCase {
    const char* name;
    const wchar_t* first;
    const wchar_t* second;
    bool same;
};

void PrintTo(const NameCase& nameCase, std::ostream* out) { *out << nameCase.name; }

class FileNameComparison : public testing::TestWithParam<NameCase> {};

TEST_P(FileNameComparison, IsOrdinalWithoutCase) {
    EXPECT_EQ(sameFileName(GetParam().first, GetParam().second), GetParam().same);
    const bool ordered = fileNameBefore(GetParam().first, GetParam().second) ||
                         fileNameBefore(GetParam().second, GetParam().first);
    EXPECT_EQ(ordered, !GetParam().same);
}

const NameCase nameCases[] = {
    {"AsciiCase", L"C:\\Game\\DATA.DAT", L"c:\\game\\data.dat", true},
    {"AccentedCase", L"\u00c9t\u00e9.dat", L"\u00e9T\u00c9.DAT", true},
    {"FullWidthCase", L"\uff21.dat", L"\uff41.dat", true},
    {"Kana", L"\u30bd.dat", L"\u30be.dat", false},
    {"LongerName", L"a.dat", L"a.data", false},
    // Not the same name: no locale's folding of "ß" applies to file names.
    {"SharpS", L"stra\u00dfe", L"STRASSE", false},
};

INSTANTIATE_TEST_SUITE_P(Table, FileNameComparison, testing::ValuesIn(nameCases), caseName<NameCase>);

}  // namespace
