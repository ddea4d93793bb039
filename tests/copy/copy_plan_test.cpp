// The one plan of a copy: which entries it takes, the names it gives them
// beside what the disk and the plan already use, which file a repeated
// destination moves aside, and the room it needs. The start checks, the
// transaction and patch-check all read these answers, and the copy finds
// each planned file's entry by the plan's own index.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copy/CopyPlan.h"
#include "tests/support/TempFolder.h"
#include "tests/support/case_name.h"

namespace {

constexpr std::size_t none = PlannedFile::noEarlierFile;

struct PlannedNames {
    std::size_t entry;
    std::wstring destination, staged, kept;
    std::size_t keptIsStagedOf;
};

struct PlanCase {
    const char* name;
    std::vector<std::wstring> onDisk;  // files in the install folder before the plan
    std::vector<PatchFileEntry> entries;
    std::vector<PlannedNames> expected;
    std::uint64_t neededBytes;
};

// Entries of the list: a destination and a size (noSizeMarker: not copied).
PatchFileEntry entry(const std::wstring& destination, std::uint64_t size) { return {L"src", destination, size}; }

class CopyPlanCases : public testing::TestWithParam<PlanCase> {};

TEST_P(CopyPlanCases, NamesEachCopiedEntryBesideItsDestination) {
    TempFolder install;
    CreateDirectoryW(install.file(L"data").c_str(), nullptr);
    for (const std::wstring& name : GetParam().onDisk) {
        install.write(name, "old");
    }
    const CopyPlan plan = planCopy(install.path(), GetParam().entries);
    ASSERT_EQ(plan.files.size(), GetParam().expected.size());
    ASSERT_EQ(plan.journal.entries.size(), plan.files.size());
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        const PlannedNames& expected = GetParam().expected[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(plan.files[i].entry, expected.entry);
        EXPECT_EQ(plan.files[i].destinationName, GetParam().entries[expected.entry].destinationName);
        EXPECT_EQ(utf8(plan.journal.entries[i].destination), utf8(expected.destination));
        EXPECT_EQ(utf8(plan.journal.entries[i].staged), utf8(expected.staged));
        EXPECT_EQ(utf8(plan.journal.entries[i].kept), utf8(expected.kept));
        EXPECT_EQ(plan.files[i].keptIsStagedOf, expected.keptIsStagedOf);
    }
    EXPECT_EQ(plan.neededBytes, GetParam().neededBytes);
}

const PlanCase planCases[] = {
    {"EntriesNotCopiedAreLeftOutAndTheOthersKeepTheirPlaceInTheList",
     {L"a.dat"},
     {entry(L"missing.dat", noSizeMarker), entry(L"a.dat", 5), entry(L"too large.dat", noSizeMarker),
      entry(L"new.dat", 7)},
     {{1, L"a.dat", L"a.dat~new", L"a.dat~old", none}, {3, L"new.dat", L"new.dat~new", L"", none}},
     12},
    {"NamesTheDiskUsesAreNotTaken",
     {L"a.dat", L"a.dat~new", L"a.dat~old", L"a.dat~old2"},
     {entry(L"a.dat", 1)},
     {{0, L"a.dat", L"a.dat~new2", L"a.dat~old3", none}},
     1},
    {"AnotherEntrysDestinationIsNotTakenAsAStagedName",
     {},
     {entry(L"b.dat", 1), entry(L"b.dat~new", 2)},
     {{0, L"b.dat", L"b.dat~new2", L"", none}, {1, L"b.dat~new", L"b.dat~new~new", L"", none}},
     3},
    // The folder's letters come from the disk, the name's as given: the
    // names compare without case.
    {"ADestinationSpelledTwiceMovesTheEarlierStagedFileAside",
     {L"data\\a.dat"},
     {entry(L"data\\a.dat", 1), entry(L"./DATA/A.DAT", 2), entry(L"data\\a.dat", 4)},
     {{0, L"data\\a.dat", L"data\\a.dat~new", L"data\\a.dat~old", none},
      {1, L"data\\A.DAT", L"data\\A.DAT~new2", L"data\\A.DAT~old2", 0},
      {2, L"data\\a.dat", L"data\\a.dat~new3", L"data\\a.dat~old3", 1}},
     7},
    {"ANewDestinationFilledTwiceIsReplacedTheSecondTime",
     {},
     {entry(L"n.dat", 1), entry(L"N.DAT", 1)},
     {{0, L"n.dat", L"n.dat~new", L"", none}, {1, L"N.DAT", L"N.DAT~new2", L"N.DAT~old", 0}},
     2},
};

INSTANTIATE_TEST_SUITE_P(Table, CopyPlanCases, testing::ValuesIn(planCases), caseName<PlanCase>);

}  // namespace
