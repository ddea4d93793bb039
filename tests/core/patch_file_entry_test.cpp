// The entry of one "ファイル," line: its paths, and its size as found beside
// the program, with noSizeMarker for a missing file or one of 4 GiB or more.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "core/HandleOwners.h"
#include "core/PatchFileEntry.h"
#include "tests/support/TempFolder.h"
#include "tests/support/case_name.h"

namespace {

TEST(PatchFileEntryFromSettingsLine, SourceInProgramFolderDestinationDefaultsToSource) {
    TempFolder folder;
    folder.write(L"a.dat", "12345");

    const PatchFileEntry ownName = PatchFileEntry::fromSettingsLine(folder.path(), L"a.dat", L"");
    EXPECT_EQ(ownName.sourcePath, folder.path() + L"\\a.dat");
    EXPECT_EQ(ownName.destinationName, L"a.dat");
    EXPECT_EQ(ownName.size, 5u);

    const PatchFileEntry renamed = PatchFileEntry::fromSettingsLine(folder.path(), L"a.dat", L"data\\b,c.dat");
    EXPECT_EQ(renamed.sourcePath, folder.path() + L"\\a.dat");
    EXPECT_EQ(renamed.destinationName, L"data\\b,c.dat");
    EXPECT_EQ(renamed.size, 5u);

    // A source whose name no one code page holds is found all the same.
    const std::wstring wideName = L"张伟 été.dat";
    folder.write(wideName, "123");
    EXPECT_EQ(PatchFileEntry::fromSettingsLine(folder.path(), wideName, L"").size, 3u);
}

TEST(PatchFileEntryFromSettingsLine, MissingSourceGetsNoSizeMarker) {
    TempFolder folder;
    const PatchFileEntry entry = PatchFileEntry::fromSettingsLine(folder.path(), L"absent.dat", L"");
    EXPECT_EQ(entry.sourcePath, folder.path() + L"\\absent.dat");
    EXPECT_EQ(entry.size, noSizeMarker);
}

struct SizeCase {
    const char* name;
    std::uint64_t fileSize;
    std::uint64_t entrySize;
};

void PrintTo(const SizeCase& sizeCase, std::ostream* out) { *out << sizeCase.name; }

class PatchFileEntrySize : public testing::TestWithParam<SizeCase> {};

// The files are sparse: setting the end of an empty file writes no data.
void makeFileOfSize(const std::wstring& path, std::uint64_t size) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid()) << utf8(path);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.get()));
}

TEST_P(PatchFileEntrySize, IsTheSizeFoundUnder4GiB) {
    TempFolder folder;
    ASSERT_NO_FATAL_FAILURE(makeFileOfSize(folder.file(L"big.dat"), GetParam().fileSize));
    const PatchFileEntry entry = PatchFileEntry::fromSettingsLine(folder.path(), L"big.dat", L"");
    EXPECT_EQ(entry.size, GetParam().entrySize);
    EXPECT_EQ(entry.isCopied(), GetParam().entrySize != noSizeMarker);
}

const SizeCase sizeCases[] = {
    {"Empty", 0, 0},
    {"LargestKnown", 0xFFFFFFFEu, 0xFFFFFFFEu},
    // A size like any other, not the marker of a missing file.
    {"AllOnes", 0xFFFFFFFFu, 0xFFFFFFFFu},
    {"FourGiB", 0x100000000u, noSizeMarker},
    {"FourGiBAndSome", 0x100000005u, noSizeMarker},
};

INSTANTIATE_TEST_SUITE_P(Table, PatchFileEntrySize, testing::ValuesIn(sizeCases),
                         caseName<SizeCase>);

}  // namespace
