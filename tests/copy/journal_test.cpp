// The copy's journal: what it writes reads back the same, and nothing else
// is followed: a cut-short text, a stranger's text, names outside the
// install folder or not beside their destination.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "copy/journal.h"
#include "tests/support/case_name.h"

namespace {

const Journal written{{
                          {L"a.dat", L"a.dat~new", L"a.dat~old"},
                          {L"data\\表.dat", L"data\\表.dat~new2", L""},
                          {L"data\\b c.dat", L"data\\b c.dat~new", L"data\\b c.dat~old3"},
                      },
                      false};

TEST(JournalText, ReadsBackWhatTheCopyWrites) {
    for (const bool committed : {false, true}) {
        Journal journal = written;
        journal.committed = committed;
        Journal read;
        ASSERT_EQ(readJournal(journalText(journal), read), JournalReading::followed);
        EXPECT_EQ(read, journal);
    }
}

TEST(JournalText, CommittedIsOneLineAddedAtTheEnd) {
    Journal committed = written;
    committed.committed = true;
    EXPECT_EQ(journalText(written) + journalCommittedLine, journalText(committed));
}

TEST(JournalText, AnEmptyListReadsBack) {
    Journal read;
    EXPECT_EQ(readJournal(journalText(Journal{}), read), JournalReading::followed);
    EXPECT_TRUE(read.entries.empty());
}

TEST(JournalNames, StagedAndKeptSitBesideTheirDestination) {
    EXPECT_EQ(stagedNameOf(L"data\\a.dat", 0), L"data\\a.dat~new");
    EXPECT_EQ(stagedNameOf(L"data\\a.dat", 1), L"data\\a.dat~new2");
    EXPECT_EQ(keptNameOf(L"a.dat", 0), L"a.dat~old");
    EXPECT_EQ(keptNameOf(L"a.dat", 9), L"a.dat~old10");
}

struct RefusedCase {
    const char* name;
    std::wstring text;
    JournalReading reading;
};

void PrintTo(const RefusedCase& refused, std::ostream* out) { *out << refused.name; }

class RefusedJournal : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedJournal, IsNeverFollowed) {
    Journal read;
    EXPECT_EQ(readJournal(GetParam().text, read), GetParam().reading);
}

const std::wstring head = L"patch journal 1\n";
const std::wstring full = journalText(written);

const RefusedCase refusedCases[] = {
    {"Empty", L"", JournalReading::unreadable},
    {"HeadOnly", head, JournalReading::unreadable},
    {"CutBeforeEnd", full.substr(0, full.size() - 4), JournalReading::unreadable},
    {"CutInsideTheLastLine", full.substr(0, full.size() - 1), JournalReading::unreadable},
    {"OtherVersion", L"patch journal 2\nend\n", JournalReading::unreadable},
    {"Garbage", L"\xFFFE\x1234garbage\n", JournalReading::unreadable},
    {"UnknownKind", head + L"move\ta~new\ta\nend\n", JournalReading::unreadable},
    {"ReplaceWithoutKept", head + L"replace\ta~new\ta\t\nend\n", JournalReading::unreadable},
    {"NewWithKept", head + L"new\ta~new\ta\ta~old\nend\n", JournalReading::unreadable},
    {"TextAfterCommitted", full + L"committed\nmore\n", JournalReading::unreadable},
    {"CommittedTwice", full + L"committed\ncommitted\n", JournalReading::unreadable},
    {"DestinationClimbsOut", head + L"new\t..\\..\\x~new\t..\\..\\x\nend\n", JournalReading::foreign},
    {"DestinationOnAnotherDrive", head + L"new\tC:\\x~new\tC:\\x\nend\n", JournalReading::foreign},
    {"DestinationFromRoot", head + L"new\t\\Windows\\x~new\t\\Windows\\x\nend\n", JournalReading::foreign},
    {"DestinationDevice", head + L"new\tnul~new\tnul\nend\n", JournalReading::foreign},
    {"EmptyDestination", head + L"new\t~new\t\nend\n", JournalReading::foreign},
    {"StagedElsewhere", head + L"new\tother.dat\ta.dat\nend\n", JournalReading::foreign},
    {"StagedClimbsOut", head + L"new\ta.dat~new\\..\\..\\x\ta.dat\nend\n", JournalReading::foreign},
    {"KeptElsewhere", head + L"replace\ta.dat~new\ta.dat\tb.dat\nend\n", JournalReading::foreign},
    {"KeptWithOtherMark", head + L"replace\ta.dat~new\ta.dat\ta.dat~new2\nend\n", JournalReading::foreign},
    {"NumberWithLeadingZero", head + L"new\ta.dat~new02\ta.dat\nend\n", JournalReading::foreign},
};

INSTANTIATE_TEST_SUITE_P(Table, RefusedJournal, testing::ValuesIn(refusedCases), caseName<RefusedCase>);

}  // namespace
