// The copy's journal: what it writes reads back the same, and nothing else
// is followed: a cut-short text, a stranger's text, names outside the
// install folder or not beside their destination, identities that name no
// entry or say a thing twice.
#include <gtest/gtest.h>

#include <cstdint>
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

constexpr std::uint64_t most64 = UINT64_MAX;

RecordedFile made(std::uint32_t volume, std::uint64_t index) {
    return {RecordedFile::Known::made, {volume, index, 0, 0}};
}

RecordedFile whole(std::uint32_t volume, std::uint64_t index, std::uint64_t size, std::uint64_t lastWrite) {
    return {RecordedFile::Known::whole, {volume, index, size, lastWrite}};
}

// Every entry with what a run knows of its files once it has recorded
// them before the moves, the largest numbers included.
Journal withIdentities() {
    Journal journal = written;
    journal.entries[0].stagedFile = whole(7, 1, 300, 133000000000000000u);
    journal.entries[0].keptFile = whole(7, 2, 8, 132000000000000000u);
    journal.entries[1].stagedFile = whole(UINT32_MAX, most64, most64, most64);
    journal.entries[2].stagedFile = whole(0, 0, 0, 0);
    journal.entries[2].keptFile = whole(1, 10, 0, 5);
    return journal;
}

TEST(JournalText, ReadsBackWhatTheCopyWrites) {
    for (const bool committed : {false, true}) {
        for (const bool identities : {false, true}) {
            if (committed && !identities) {
                continue;  // a commit is recorded only after every identity
            }
            Journal journal = identities ? withIdentities() : written;
            journal.committed = committed;
            Journal read;
            ASSERT_EQ(readJournal(journalText(journal), read), JournalReading::followed);
            EXPECT_EQ(read, journal);
        }
    }
}

// As the run writes it: the plan, a "made" line for each staged file as it
// is created, then every identity at once before the moves. The "made"
// lines say no more than the whole ones after them.
TEST(JournalText, MadeLinesThenWholeOnesReadAsTheWholeIdentities) {
    const Journal recorded = withIdentities();
    std::wstring text = journalText(written);
    wchar_t line[identityLineRoom];
    Journal whileStaging = written;
    for (std::size_t i = 0; i < recorded.entries.size(); ++i) {
        const FileIdentity& identity = recorded.entries[i].stagedFile.identity;
        whileStaging.entries[i].stagedFile = made(identity.volume, identity.index);
        text += identityLine(IdentityRole::staged, i, whileStaging.entries[i].stagedFile, line);
    }
    Journal read;
    ASSERT_EQ(readJournal(text, read), JournalReading::followed);
    EXPECT_EQ(read, whileStaging);

    for (std::size_t i = 0; i < recorded.entries.size(); ++i) {
        text += identityLine(IdentityRole::staged, i, recorded.entries[i].stagedFile, line);
        text += identityLine(IdentityRole::kept, i, recorded.entries[i].keptFile, line);
    }
    text += journalCommittedLine;
    Journal committed = recorded;
    committed.committed = true;
    ASSERT_EQ(readJournal(text, read), JournalReading::followed);
    EXPECT_EQ(read, committed);
}

TEST(JournalText, IdentityLinesAreTheRecordsFields) {
    wchar_t line[identityLineRoom];
    EXPECT_EQ(identityLine(IdentityRole::staged, 3, made(7, 42), line), L"made\t3\t7\t42\n");
    EXPECT_EQ(identityLine(IdentityRole::staged, 0, whole(7, 42, 5, 9), line), L"staged\t0\t7\t42\t5\t9\n");
    EXPECT_EQ(identityLine(IdentityRole::kept, 1, whole(7, 43, 6, 10), line), L"kept\t1\t7\t43\t6\t10\n");
    // Nothing known, or a kept file known only by its making: no line.
    EXPECT_EQ(identityLine(IdentityRole::staged, 0, RecordedFile{}, line), L"");
    EXPECT_EQ(identityLine(IdentityRole::kept, 0, made(7, 42), line), L"");
    // The longest line fits its room.
    const std::wstring_view longest =
        identityLine(IdentityRole::staged, SIZE_MAX, whole(UINT32_MAX, most64, most64, most64), line);
    // "staged", five tabs, 20 + 10 + 20 + 20 + 20 digits, the line feed.
    EXPECT_EQ(longest.size(), 6 + 5 + 90 + 1u);
    EXPECT_LE(longest.size(), identityLineRoom);
}

// A file is the run's only when it is the one recorded: by volume and index
// while it was being written, by all four once whole; never when nothing is
// recorded.
TEST(RecordedFileIdentity, RecognisesOnlyTheFileRecorded) {
    const FileIdentity file{7, 42, 300, 1000};
    struct Case {
        const char* name;
        RecordedFile recorded;
        bool recognised;
    } const cases[] = {
        {"NothingRecorded", RecordedFile{}, false},
        {"MadeSameFile", made(7, 42), true},
        {"MadeOtherIndex", made(7, 43), false},
        {"MadeOtherVolume", made(8, 42), false},
        {"WholeSame", whole(7, 42, 300, 1000), true},
        {"WholeOtherSize", whole(7, 42, 301, 1000), false},
        {"WholeOtherTime", whole(7, 42, 300, 1001), false},
        {"WholeOtherIndex", whole(7, 41, 300, 1000), false},
    };
    for (const Case& tried : cases) {
        SCOPED_TRACE(tried.name);
        EXPECT_EQ(tried.recorded.recognises(file), tried.recognised);
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

const std::wstring head = L"patch journal 2\n";
const std::wstring full = journalText(written);
const std::wstring recordedFull = journalText(withIdentities());
// One replacing entry and one new one, then their identities.
const std::wstring plan = head + L"replace\ta~new\ta\ta~old\nnew\tb~new\tb\nend\n";

const RefusedCase refusedCases[] = {
    {"Empty", L"", JournalReading::unreadable},
    {"HeadOnly", head, JournalReading::unreadable},
    {"CutBeforeEnd", full.substr(0, full.size() - 4), JournalReading::unreadable},
    {"CutInsideTheLastLine", full.substr(0, full.size() - 1), JournalReading::unreadable},
    {"EarlierVersion", L"patch journal 1\nend\n", JournalReading::unreadable},
    {"Garbage", L"\xFFFE\x1234garbage\n", JournalReading::unreadable},
    {"UnknownKind", head + L"move\ta~new\ta\nend\n", JournalReading::unreadable},
    {"ReplaceWithoutKept", head + L"replace\ta~new\ta\t\nend\n", JournalReading::unreadable},
    {"NewWithKept", head + L"new\ta~new\ta\ta~old\nend\n", JournalReading::unreadable},
    {"TextAfterCommitted", recordedFull + L"committed\nmore\n", JournalReading::unreadable},
    {"CommittedTwice", recordedFull + L"committed\ncommitted\n", JournalReading::unreadable},
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
    {"NumberZero", head + L"new\ta.dat~new0\ta.dat\nend\n", JournalReading::foreign},
    // Identities that name no entry, or say what was said before.
    {"IdentityOfNoEntry", plan + L"staged\t2\t1\t2\t3\t4\n", JournalReading::unreadable},
    {"IdentityWithoutEntries", head + L"end\nmade\t0\t1\t2\n", JournalReading::unreadable},
    {"KeptOfANewFile", plan + L"kept\t1\t1\t2\t3\t4\n", JournalReading::unreadable},
    {"KeptTwice", plan + L"kept\t0\t1\t2\t3\t4\nkept\t0\t1\t2\t3\t4\n", JournalReading::unreadable},
    {"StagedTwice", plan + L"staged\t0\t1\t2\t3\t4\nstaged\t0\t1\t2\t3\t4\n", JournalReading::unreadable},
    {"MadeAfterStaged", plan + L"staged\t0\t1\t2\t3\t4\nmade\t0\t1\t2\n", JournalReading::unreadable},
    {"StagedNotTheFileMade", plan + L"made\t0\t1\t2\nstaged\t0\t1\t9\t3\t4\n", JournalReading::unreadable},
    {"MadeWithSize", plan + L"made\t0\t1\t2\t3\n", JournalReading::unreadable},
    {"StagedWithoutTime", plan + L"staged\t0\t1\t2\t3\n", JournalReading::unreadable},
    {"IdentityNumberWithLeadingZero", plan + L"made\t0\t01\t2\n", JournalReading::unreadable},
    {"IdentityNumberSigned", plan + L"made\t0\t-1\t2\n", JournalReading::unreadable},
    {"VolumePast32Bits", plan + L"made\t0\t4294967296\t2\n", JournalReading::unreadable},
    {"IndexPast64Bits", plan + L"made\t0\t1\t18446744073709551616\n", JournalReading::unreadable},
    {"EntryNumberPastTheList", plan + L"made\t10\t1\t2\n", JournalReading::unreadable},
    {"UnknownLineAfterEnd", plan + L"moved\t0\n", JournalReading::unreadable},
    // A commit is recorded only once every identity is.
    {"CommittedWithoutIdentities", plan + L"committed\n", JournalReading::unreadable},
    {"CommittedWithoutKept",
     plan + L"staged\t0\t1\t2\t3\t4\nstaged\t1\t1\t3\t3\t4\ncommitted\n", JournalReading::unreadable},
    {"CommittedWhileMade",
     plan + L"made\t0\t1\t2\nkept\t0\t1\t5\t3\t4\nstaged\t1\t1\t3\t3\t4\ncommitted\n",
     JournalReading::unreadable},
};

INSTANTIATE_TEST_SUITE_P(Table, RefusedJournal, testing::ValuesIn(refusedCases), caseName<RefusedCase>);

}  // namespace
