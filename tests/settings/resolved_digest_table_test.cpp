// The table's entry for a settings line's source, found by the file the
// names lead to: a settings file beside the program may spell a file the
// table names in any way Windows resolves, and the file is checked all the
// same.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/PatchFileEntry.h"
#include "settings/ResolvedDigestTable.h"
#include "tests/support/TempFolder.h"

namespace {

class ResolvedDigestTableTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(program.file(L"data").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(program.file(L"\u30bd").c_str(), nullptr));
        program.write(L"data\\a.dat", "a");
        program.write(L"\u30bd\\b.dat", "b");
        program.write(L"Long File Name.dat", "c");
        entries = {{{}, 1, "data\\a.dat"}, {{}, 1, "\x83\x5c\\b.dat"}, {{}, 1, "Long File Name.dat"},
                   {{}, 0, "data\\missing.dat"}};
    }

    const DigestEntry* entryFor(const std::wstring& sourceName) const {
        const ResolvedDigestTable table(entries, program.path());
        return table.entryFor(PatchFileEntry::fromSettingsLine(program.path(), sourceName, L"").sourcePath);
    }

    TempFolder program;
    std::vector<DigestEntry> entries;
};

TEST_F(ResolvedDigestTableTest, FindsTheFileTheTableNamesHoweverItIsSpelled) {
    const std::wstring shortName = shortNameOf(program.file(L"Long File Name.dat"));
    ASSERT_NE(shortName, L"Long File Name.dat");
    const struct {
        std::wstring source;
        std::size_t entry;
    } cases[] = {
        {L"data\\a.dat", 0},       {L"DATA\\A.DAT", 0},  {L"data/a.dat", 0},
        {L"./data/a.dat", 0},      {L"data\\a.dat.", 0}, {L"data\\..\\data\\a.dat", 0},
        {L"\u30bd\\B.dat", 1},     {shortName, 2},       {L"long file name.dat ", 2},
        {L"./data/missing.dat", 3},
    };
    for (const auto& found : cases) {
        SCOPED_TRACE(std::string(found.source.begin(), found.source.end()));
        EXPECT_EQ(entryFor(found.source), &entries[found.entry]);
    }
}

TEST_F(ResolvedDigestTableTest, AnotherFileIsNotTheTables) {
    for (const wchar_t* source : {L"data\\a.da", L"a.dat", L"data\\a.dat\\x", L"\u30be\\b.dat"}) {
        SCOPED_TRACE(std::string(source, source + wcslen(source)));
        EXPECT_EQ(entryFor(source), nullptr);
    }
}

}  // namespace
