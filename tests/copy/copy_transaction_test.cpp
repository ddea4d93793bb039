// The copy's transaction on a real folder: a run stopped after any step of
// its commit, then repaired from its record as the next start does it, and
// records and journals that must not be followed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copy/CopyTransaction.h"
#include "tests/support/CopyFixture.h"
#include "tests/support/StoppedRun.h"
#include "tests/support/UnixLink.h"
#include "tests/support/case_name.h"

namespace {

// The one outcome of repairing every record under `key`; none when there
// was no record.
JournalRepair repairOutcome(const std::wstring& key) {
    const std::vector<RunRepair> repairs = repairStoppedRuns(key);
    EXPECT_LE(repairs.size(), 1u);
    return repairs.empty() ? JournalRepair::none : repairs[0].outcome;
}

// A patch of four files over an install folder: two replace a file there,
// one is new, and one destination is listed twice (new, then replacing the
// first one's file). An entry of unknown size is planned for nothing.
class CopyTransactionSteps : public ::testing::Test {
public:
    void SetUp() override {
        add(L"game.dat", patternBytes(300, 1));
        add(L"new.dat", patternBytes(10, 2));
        add(L"twice.dat", patternBytes(40, 3));
        files.push_back({patch.file(L"absent.dat"), L"absent.dat", noSizeMarker});
        add(L"readme.txt", "");
        add(L"twice.dat", patternBytes(50, 4));
        install.write(L"game.dat", "old game");
        install.write(L"readme.txt", "old readme");
        install.write(L"other.txt", "not in the patch");
        before = folderStateOf(install.path());
        patched = {{L"game.dat", patternBytes(300, 1)},
                   {L"new.dat", patternBytes(10, 2)},
                   {L"other.txt", "not in the patch"},
                   {L"readme.txt", ""},
                   {L"twice.dat", patternBytes(50, 4)}};
    }

    void add(const std::wstring& destination, const std::string& bytes) {
        const std::wstring source = std::to_wstring(files.size()) + L".src";
        patch.write(source, bytes);
        files.push_back({patch.file(source), destination, static_cast<std::uint32_t>(bytes.size())});
    }

    // Plans, writes the journal and stages every file as the copy does (up
    // to `stagedLimit` of them, the last one only half written).
    void stage(CopyTransaction& transaction, std::size_t stagedLimit = SIZE_MAX) {
        transaction.plan(files);
        ASSERT_FALSE(transaction.firstLink().has_value());
        ASSERT_TRUE(transaction.writeJournal());
        std::size_t planned = 0;
        for (const PatchFileEntry& entry : files) {
            if (!entry.isCopied()) {
                continue;
            }
            const std::wstring& path = transaction.paths()[planned].staged;
            UniqueHandle staged = transaction.createStaged(planned);
            ASSERT_TRUE(staged.valid()) << utf8(path);
            const std::string bytes = readWholeFile(entry.sourcePath);
            const bool last = planned + 1 == stagedLimit;
            DWORD written = 0;
            ASSERT_TRUE(WriteFile(staged.get(), bytes.data(), static_cast<DWORD>(last ? bytes.size() / 2 : bytes.size()),
                                  &written, nullptr));
            if (last) {
                return;
            }
            ASSERT_TRUE(transaction.stagedWritten(planned, staged.get()));
            ++planned;
        }
    }

    TempFolder patch;
    TempFolder install;
    TestRecordsKey records;
    std::vector<PatchFileEntry> files;
    FolderState before;
    FolderState patched;
};

TEST_F(CopyTransactionSteps, PlanNamesEveryFileBesideItsDestination) {
    install.write(L"game.dat~new", "someone's file");
    CopyTransaction transaction(install.path(), records.key());
    transaction.plan(files);

    const std::vector<JournalEntry> expected = {
        {L"game.dat", L"game.dat~new2", L"game.dat~old"},
        {L"new.dat", L"new.dat~new", L""},
        {L"twice.dat", L"twice.dat~new", L""},
        {L"readme.txt", L"readme.txt~new", L"readme.txt~old"},
        // Planned already by the first entry of this destination.
        {L"twice.dat", L"twice.dat~new2", L"twice.dat~old"},
    };
    EXPECT_EQ(transaction.journal().entries, expected);
    EXPECT_FALSE(transaction.journal().committed);
    EXPECT_EQ(transaction.commitStepCount(), 8u);
    // Planning touches nothing.
    EXPECT_TRUE(storedRuns(records.key()).empty());
}

TEST_F(CopyTransactionSteps, RecordHoldsTheFolderAndThePlanBeforeTheFirstFileIsStaged) {
    CopyTransaction transaction(install.path(), records.key());
    transaction.plan(files);
    ASSERT_TRUE(transaction.writeJournal());

    // Nothing in the install folder: the record is where only an
    // administrator writes.
    EXPECT_EQ(folderStateOf(install.path()), before);
    std::vector<StoredRun> runs = storedRuns(records.key());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].folder, install.path());
    EXPECT_EQ(runs[0].text, journalText(transaction.journal()));
    // A second run gets a record of its own, never the first one's.
    CopyTransaction second(install.path(), records.key());
    second.plan(files);
    ASSERT_TRUE(second.writeJournal());
    runs = storedRuns(records.key());
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NE(runs[0].name, runs[1].name);
    EXPECT_TRUE(transaction.rollBack());
    EXPECT_TRUE(second.rollBack());
    EXPECT_TRUE(storedRuns(records.key()).empty());
    EXPECT_EQ(folderStateOf(install.path()), before);
}

// A plan of thousands of files with long names, and their identities, is
// kept in pieces and reads back whole, the committed line after it.
TEST(RunRecordStore, LargePlanReadsBackWhole) {
    TestRecordsKey records;
    Journal journal;
    for (int i = 0; i < 3000; ++i) {
        const std::wstring name = L"data\\" + std::wstring(60, L'表') + std::to_wstring(i) + L".dat";
        const RecordedFile staged{RecordedFile::Known::whole, {1, 2u * i, 100, 5}};
        const RecordedFile kept{RecordedFile::Known::whole, {1, 2u * i + 1, 200, 6}};
        journal.entries.push_back(
            {name, name + L"~new", i % 2 == 0 ? name + L"~old" : L"", staged, i % 2 == 0 ? kept : RecordedFile{}});
    }
    const std::wstring text = journalText(journal);
    ASSERT_GT(text.size(), 500000u);
    RunRecord record;
    ASSERT_TRUE(record.create(records.key(), L"C:\\Game", text));
    ASSERT_TRUE(record.append(journalCommittedLine));

    const std::vector<StoredRun> runs = storedRuns(records.key());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].folder, L"C:\\Game");
    EXPECT_TRUE(runs[0].text == text + journalCommittedLine);
    Journal read;
    EXPECT_EQ(readJournal(runs[0].text, read), JournalReading::followed);
    EXPECT_TRUE(read.committed);
    EXPECT_TRUE(record.remove());
    EXPECT_TRUE(storedRuns(records.key()).empty());
}

// The run is dropped after `k` moves, as a process killed there: the next
// start finds the folder with its journal and puts it back as it was.
TEST_F(CopyTransactionSteps, StoppedAfterAnyMoveTheNextStartPutsTheFolderBack) {
    for (std::size_t k = 0;; ++k) {
        SCOPED_TRACE("stopped after move " + std::to_string(k));
        std::size_t steps = 0;
        {
            CopyTransaction transaction(install.path(), records.key());
            stage(transaction);
            if (HasFatalFailure()) {
                return;
            }
            ASSERT_TRUE(transaction.commit(k));
            steps = transaction.commitStepCount();
        }
        ASSERT_EQ(storedRuns(records.key()).size(), 1u);

        // Before the first move only the run's staged files were there:
        // they go, with nothing to tell.
        EXPECT_EQ(repairOutcome(records.key()), k == 0 ? JournalRepair::none : JournalRepair::restored);

        EXPECT_EQ(folderStateOf(install.path()), before);
        EXPECT_TRUE(storedRuns(records.key()).empty());
        if (k == steps) {
            break;  // every file was in place, the completion not yet recorded
        }
    }
}

// Dropped once the completion is recorded, with none, some or all of the
// kept files deleted: the next start finishes the copy.
TEST_F(CopyTransactionSteps, StoppedAfterTheCommitIsRecordedTheNextStartCompletesIt) {
    for (const std::size_t keptDeleted : {0u, 1u, 2u}) {
        SCOPED_TRACE("kept files deleted: " + std::to_string(keptDeleted));
        {
            CopyTransaction transaction(install.path(), records.key());
            stage(transaction);
            if (HasFatalFailure()) {
                return;
            }
            ASSERT_TRUE(transaction.commit());
            ASSERT_TRUE(transaction.complete(keptDeleted));
        }
        ASSERT_EQ(storedRuns(records.key()).size(), 1u);

        EXPECT_EQ(repairOutcome(records.key()), JournalRepair::completed);

        EXPECT_EQ(folderStateOf(install.path()), patched);
        // Back to the start for the next case.
        for (const auto& [name, bytes] : before) {
            install.write(name, bytes);
        }
        DeleteFileW(install.file(L"new.dat").c_str());
        DeleteFileW(install.file(L"twice.dat").c_str());
        ASSERT_EQ(folderStateOf(install.path()), before);
    }
}

TEST_F(CopyTransactionSteps, CompleteRunLeavesExactlyThePatchedFolder) {
    CopyTransaction transaction(install.path(), records.key());
    stage(transaction);
    ASSERT_TRUE(transaction.commit());
    ASSERT_TRUE(transaction.complete());

    EXPECT_EQ(folderStateOf(install.path()), patched);
    EXPECT_TRUE(storedRuns(records.key()).empty());
}

// Destinations spelled as the disk also answers to them: a file's short
// name, a name ending in a dot, a folder's short name. Each is the game's
// file there: kept aside and replaced under its own long name, and left
// alone by the repair of a run stopped before anything was staged.
TEST(CopyTransactionNames, ADestinationSpelledAnotherWayIsTheFileThere) {
    TempFolder patch;
    TempFolder install;
    TestRecordsKey records;
    ASSERT_TRUE(CreateDirectoryW(install.file(L"Data Folder").c_str(), nullptr));
    install.write(L"Long Game File.dat", "old long");
    install.write(L"Data Folder\\x.dat", "old x");
    install.write(L"Data Folder\\y.dat", "old y");
    const FolderState before = folderStateOf(install.path());
    const std::wstring shortFile = shortNameOf(install.file(L"Long Game File.dat"));
    const std::wstring shortFolder = shortNameOf(install.file(L"Data Folder"));
    ASSERT_NE(shortFile, L"Long Game File.dat");
    ASSERT_NE(shortFolder, L"Data Folder");
    patch.write(L"0.src", "new long");
    patch.write(L"1.src", "new x");
    patch.write(L"2.src", "new y");
    const std::vector<PatchFileEntry> files = {{patch.file(L"0.src"), shortFile, 8},
                                               {patch.file(L"1.src"), L"Data Folder\\x.dat.", 5},
                                               {patch.file(L"2.src"), shortFolder + L"\\y.dat", 5}};
    {
        CopyTransaction stopped(install.path(), records.key());
        stopped.plan(files);
        for (const JournalEntry& entry : stopped.journal().entries) {
            EXPECT_TRUE(entry.replaces()) << utf8(entry.destination);
        }
        EXPECT_EQ(stopped.journal().entries[0].destination, L"Long Game File.dat");
        EXPECT_EQ(stopped.journal().entries[1].destination, L"Data Folder\\x.dat");
        ASSERT_TRUE(stopped.writeJournal());
    }
    repairStoppedRuns(records.key());
    EXPECT_EQ(folderStateOf(install.path()), before);

    CopyTransaction transaction(install.path(), records.key());
    transaction.plan(files);
    ASSERT_TRUE(transaction.writeJournal());
    for (std::size_t i = 0; i < files.size(); ++i) {
        UniqueHandle staged = transaction.createStaged(i);
        ASSERT_TRUE(staged.valid());
        const std::string bytes = readWholeFile(files[i].sourcePath);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(staged.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        ASSERT_TRUE(transaction.stagedWritten(i, staged.get()));
    }
    ASSERT_TRUE(transaction.commit());
    ASSERT_TRUE(transaction.complete());
    const FolderState patched = {{L"Data Folder", "<folder>"},
                                 {L"Data Folder\\x.dat", "new x"},
                                 {L"Data Folder\\y.dat", "new y"},
                                 {L"Long Game File.dat", "new long"}};
    EXPECT_EQ(folderStateOf(install.path()), patched);
}

// A roll back that can't finish (another program holds a file the run made)
// keeps the record, and the next start finishes it once the file is free.
TEST_F(CopyTransactionSteps, RollBackThatFailsKeepsTheJournalForTheNextStart) {
    CopyTransaction transaction(install.path(), records.key());
    stage(transaction);
    ASSERT_TRUE(transaction.commit(3));  // game.dat replaced, new.dat in place
    UniqueHandle holder(
        CreateFileW(install.file(L"new.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.valid());

    EXPECT_FALSE(transaction.rollBack());
    EXPECT_EQ(storedRuns(records.key()).size(), 1u);
    EXPECT_EQ(repairOutcome(records.key()), JournalRepair::failed);
    holder.reset();

    EXPECT_EQ(repairOutcome(records.key()), JournalRepair::restored);
    EXPECT_EQ(folderStateOf(install.path()), before);
}

// The same stops, each undone by the run itself: the moves it counted, in
// reverse, and the staged files it made.
TEST_F(CopyTransactionSteps, StoppedAfterAnyMoveTheRollBackPutsTheFolderBack) {
    CopyTransaction probe(install.path(), records.key());
    probe.plan(files);
    const std::size_t steps = probe.commitStepCount();
    for (std::size_t k = 0; k <= steps; ++k) {
        SCOPED_TRACE("rolled back after move " + std::to_string(k));
        CopyTransaction transaction(install.path(), records.key());
        ASSERT_NO_FATAL_FAILURE(stage(transaction));
        ASSERT_TRUE(transaction.commit(k));

        EXPECT_TRUE(transaction.rollBack());

        EXPECT_EQ(folderStateOf(install.path()), before);
        EXPECT_TRUE(storedRuns(records.key()).empty());
    }
}

// Killed while its k-th file was being written: the files it made go, the
// one cut short too (its identity was recorded as it was created), and
// nothing was changed to tell of.
TEST_F(CopyTransactionSteps, KilledWhileStagingTheNextStartDeletesTheStagedFilesSilently) {
    for (const std::size_t k : {1u, 3u, 5u}) {
        SCOPED_TRACE("killed while staging file " + std::to_string(k));
        {
            CopyTransaction transaction(install.path(), records.key());
            ASSERT_NO_FATAL_FAILURE(stage(transaction, k));
        }
        ASSERT_NE(folderStateOf(install.path()), before);

        const std::vector<RunRepair> repairs = repairStoppedRuns(records.key());

        ASSERT_EQ(repairs.size(), 1u);
        EXPECT_EQ(repairs[0].outcome, JournalRepair::none);
        EXPECT_TRUE(repairs[0].leftAlone.empty());
        EXPECT_EQ(folderStateOf(install.path()), before);
        EXPECT_TRUE(storedRuns(records.key()).empty());
    }
}

// --- Files at the run's names that are not its own ---

// Where someone else puts a file once the copy is planned: at the name the
// old game.dat is to be moved aside to, at the name readme.txt is to be
// staged under, or at new.dat, a file the patch adds. The run fails there;
// undone by the run itself or, after a kill, by the next start, that file
// is untouched and every other file is as before the run.
enum class Intruded { keptName, stagedName, newDestination };
enum class Undone { byTheRun, byTheNextStart };

struct IntruderCase {
    const char* name;
    Intruded at;
    Undone undone;
};

void PrintTo(const IntruderCase& intruder, std::ostream* out) { *out << intruder.name; }

class SomeoneElsesFile : public CopyTransactionSteps, public ::testing::WithParamInterface<IntruderCase> {};

TEST_P(SomeoneElsesFile, SurvivesTheFailureAndTheUndoing) {
    const IntruderCase& intruder = GetParam();
    const std::wstring name = intruder.at == Intruded::keptName     ? L"game.dat~old"
                              : intruder.at == Intruded::stagedName ? L"readme.txt~new"
                                                                    : L"new.dat";
    {
        CopyTransaction transaction(install.path(), records.key());
        transaction.plan(files);
        ASSERT_TRUE(transaction.writeJournal());
        install.write(name, "someone else's");
        // readme.txt is the fourth file planned.
        const std::size_t stagedLimit = intruder.at == Intruded::stagedName ? 3 : SIZE_MAX;
        bool failed = false;
        std::size_t planned = 0;
        for (const PatchFileEntry& entry : files) {
            if (!entry.isCopied()) {
                continue;
            }
            UniqueHandle staged = transaction.createStaged(planned);
            if (planned == stagedLimit) {
                // Never over a file: the copy fails here.
                ASSERT_FALSE(staged.valid());
                failed = true;
                break;
            }
            ASSERT_TRUE(staged.valid());
            const std::string bytes = readWholeFile(entry.sourcePath);
            DWORD written = 0;
            ASSERT_TRUE(WriteFile(staged.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
            ASSERT_TRUE(transaction.stagedWritten(planned++, staged.get()));
        }
        if (!failed) {
            // Never over a file: a move finds the name taken.
            ASSERT_FALSE(transaction.commit());
        }
        if (intruder.undone == Undone::byTheRun) {
            EXPECT_TRUE(transaction.rollBack());
        }
    }
    if (intruder.undone == Undone::byTheNextStart) {
        const std::vector<RunRepair> repairs = repairStoppedRuns(records.key());
        ASSERT_EQ(repairs.size(), 1u);
        EXPECT_NE(repairs[0].outcome, JournalRepair::failed);
        // A file at one of the run's own names is named in the repair's box.
        const std::vector<std::wstring> named =
            intruder.at == Intruded::newDestination ? std::vector<std::wstring>{}
                                                    : std::vector<std::wstring>{install.file(name)};
        EXPECT_EQ(repairs[0].leftAlone, named);
    }

    FolderState expected = before;
    expected[name] = "someone else's";
    EXPECT_EQ(folderStateOf(install.path()), expected);
    EXPECT_TRUE(storedRuns(records.key()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SomeoneElsesFile,
    ::testing::Values(IntruderCase{"AtAKeptNameFailingTheRun", Intruded::keptName, Undone::byTheRun},
                      IntruderCase{"AtAKeptNameAfterAKill", Intruded::keptName, Undone::byTheNextStart},
                      IntruderCase{"AtAStagedNameFailingTheRun", Intruded::stagedName, Undone::byTheRun},
                      IntruderCase{"AtAStagedNameAfterAKill", Intruded::stagedName, Undone::byTheNextStart},
                      IntruderCase{"AtANewDestinationFailingTheRun", Intruded::newDestination, Undone::byTheRun},
                      IntruderCase{"AtANewDestinationAfterAKill", Intruded::newDestination,
                                   Undone::byTheNextStart}),
    caseName<IntruderCase>);

// Killed once game.dat's new content was in place; then someone put a file
// of their own there. The old game.dat can't come back without deleting
// theirs: the repair stops, names it, and keeps the record for later.
TEST_F(CopyTransactionSteps, StoppedRunsFileReplacedBySomeoneElseIsNeverDeleted) {
    {
        CopyTransaction transaction(install.path(), records.key());
        ASSERT_NO_FATAL_FAILURE(stage(transaction));
        ASSERT_TRUE(transaction.commit(2));  // game.dat moved aside, its new content in place
    }
    ASSERT_TRUE(DeleteFileW(install.file(L"game.dat").c_str()));
    install.write(L"game.dat", "someone else's");
    const FolderState stopped = folderStateOf(install.path());

    const std::vector<RunRepair> repairs = repairStoppedRuns(records.key());

    ASSERT_EQ(repairs.size(), 1u);
    EXPECT_EQ(repairs[0].outcome, JournalRepair::failed);
    EXPECT_EQ(repairs[0].blocked, install.file(L"game.dat"));
    EXPECT_TRUE(repairs[0].blockedByOther);
    EXPECT_EQ(folderStateOf(install.path())[L"game.dat"], "someone else's");
    EXPECT_EQ(folderStateOf(install.path())[L"game.dat~old"], stopped.at(L"game.dat~old"));
    EXPECT_EQ(storedRuns(records.key()).size(), 1u);
}

// Killed once the commit was recorded; then someone put a file at a kept
// name whose old file had been deleted already. The copy is finished, and
// their file stays, named.
TEST_F(CopyTransactionSteps, FileAtAKeptNameAfterTheCommitIsLeftAndNamed) {
    {
        CopyTransaction transaction(install.path(), records.key());
        ASSERT_NO_FATAL_FAILURE(stage(transaction));
        ASSERT_TRUE(transaction.commit());
        ASSERT_TRUE(transaction.complete(1));  // game.dat~old deleted, readme.txt~old not yet
    }
    install.write(L"game.dat~old", "someone else's");

    const std::vector<RunRepair> repairs = repairStoppedRuns(records.key());

    ASSERT_EQ(repairs.size(), 1u);
    EXPECT_EQ(repairs[0].outcome, JournalRepair::completed);
    EXPECT_EQ(repairs[0].leftAlone, std::vector<std::wstring>{install.file(L"game.dat~old")});
    FolderState expected = patched;
    expected[L"game.dat~old"] = "someone else's";
    EXPECT_EQ(folderStateOf(install.path()), expected);
    EXPECT_TRUE(storedRuns(records.key()).empty());
}

// A destination the settings spell by the short name of a file that is
// there: whether or not the plan sees the file behind that name, a run
// killed once its moves were tried leaves that file as it was at the next
// start, since only a file the run recorded is ever deleted.
TEST(JournalRepairFolder, ShortNameDestinationSurvivesAKillAndTheRepair) {
    TempFolder install;
    TempFolder patch;
    TestRecordsKey records;
    install.write(L"game data file.dat", "the game's own");
    const std::wstring shortName = shortNameOf(install.file(L"game data file.dat"));
    if (shortName.empty() || shortName == L"game data file.dat") {
        GTEST_SKIP() << "no short name here";
    }
    patch.write(L"a.src", "the patch's");
    const FolderState before = folderStateOf(install.path());
    {
        CopyTransaction transaction(install.path(), records.key());
        transaction.plan({{patch.file(L"a.src"), shortName, 11}});
        ASSERT_TRUE(transaction.writeJournal());
        UniqueHandle staged = transaction.createStaged(0);
        ASSERT_TRUE(staged.valid());
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(staged.get(), "the patch's", 11, &written, nullptr));
        ASSERT_TRUE(transaction.stagedWritten(0, staged.get()));
        staged.reset();
        transaction.commit();  // the move may find the name taken
    }

    const std::vector<RunRepair> repairs = repairStoppedRuns(records.key());

    ASSERT_EQ(repairs.size(), 1u);
    EXPECT_NE(repairs[0].outcome, JournalRepair::failed);
    EXPECT_EQ(folderStateOf(install.path()), before);
    EXPECT_TRUE(storedRuns(records.key()).empty());
}

// --- Records and journals that are never followed: every file stays as it is. ---

std::string utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// A record as a stopped run leaves it, with these bytes as its text; no
// folder value when `folder` is null (its writing was cut short).
void plantRecord(const std::wstring& key, const wchar_t* folder, const std::string& bytes) {
    HKEY record = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (key + L"\\1").c_str(), 0, nullptr, 0, KEY_SET_VALUE | gameKeyView,
                              nullptr, &record, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(record, L"0", 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    if (folder != nullptr) {
        RegSetValueExW(record, L"folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                       static_cast<DWORD>((wcslen(folder) + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(record);
}

struct RefusedJournalCase {
    const char* name;
    std::string bytes;
};

void PrintTo(const RefusedJournalCase& refused, std::ostream* out) { *out << refused.name; }

class RefusedJournal : public ::testing::TestWithParam<RefusedJournalCase> {};

// The same bytes as a record, which is left as it is, and as a journal file
// in the folder, which the program no longer reads.
TEST_P(RefusedJournal, IsLeftAsItIsWithEveryFile) {
    TempFolder parent;
    TempFolder install(parent.path() + L"\\");
    TestRecordsKey records;
    const std::wstring& folder = install.path();
    // Files that a followed journal would move or delete.
    const auto write = [&install](const std::wstring& name, const std::string& bytes) { install.write(name, bytes); };
    write(L"a.dat", "patched a");
    write(L"a.dat~old", "old a");
    write(L"a.dat~new", "staged a");
    write(L"~patch.journal", GetParam().bytes);
    parent.write(L"outside.dat", "outside");
    parent.write(L"outside.dat~old", "outside old");
    const FolderState before = folderStateOf(parent.path());
    plantRecord(records.key(), folder.c_str(), GetParam().bytes);

    EXPECT_EQ(repairOutcome(records.key()), JournalRepair::unreadable);

    EXPECT_EQ(folderStateOf(parent.path()), before);
    EXPECT_EQ(storedRuns(records.key()).size(), 1u);
}

const std::wstring followedText = L"patch journal 2\nreplace\ta.dat~new\ta.dat\ta.dat~old\nend\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedJournal,
    ::testing::Values(
        RefusedJournalCase{"NamesOutsideTheFolder",
                           utf16Bytes(L"patch journal 2\nreplace\t..\\outside.dat~new\t..\\outside.dat\t"
                                      L"..\\outside.dat~old\nend\n")},
        RefusedJournalCase{"NamesAFullPath",
                           utf16Bytes(L"patch journal 2\nreplace\tC:\\a.dat~new\tC:\\a.dat\tC:\\a.dat~old\nend\n")},
        RefusedJournalCase{"KeptNameNotBesideItsDestination",
                           utf16Bytes(L"patch journal 2\nreplace\ta.dat~new\ta.dat\tgame.exe\nend\n")},
        RefusedJournalCase{"Truncated", utf16Bytes(followedText.substr(0, followedText.size() - 5))},
        RefusedJournalCase{"CutInsideACodeUnit", utf16Bytes(followedText).substr(0, 2 * followedText.size() - 1)},
        RefusedJournalCase{"OddByteCount", utf16Bytes(followedText) + "x"},
        RefusedJournalCase{"Empty", ""},
        RefusedJournalCase{"Garbage", patternBytes(200, 9)},
        // The same text in bytes of code page 932 rather than UTF-16.
        RefusedJournalCase{"NarrowText", "patch journal 2\nreplace\ta.dat~new\ta.dat\ta.dat~old\nend\n"}),
    caseName<RefusedJournalCase>);

// A journal in the game folder is anyone's: shaped as a stopped run's that
// replaced a.dat and made the player's b.dat, it is neither followed nor
// deleted.
TEST(JournalRepairFolder, JournalFileInTheFolderIsNeverFollowed) {
    TempFolder install;
    TestRecordsKey records;
    install.write(L"a.dat", "the player's a");
    install.write(L"a.dat~old", "planted old a");
    install.write(L"b.dat", "the player's b");
    install.write(L"~patch.journal",
                  utf16Bytes(L"patch journal 2\nreplace\ta.dat~new\ta.dat\ta.dat~old\nnew\tb.dat~new\tb.dat\nend\n"));
    const FolderState before = folderStateOf(install.path());

    EXPECT_TRUE(repairStoppedRuns(records.key()).empty());
    EXPECT_TRUE(repairStoppedRunsIn(records.key(), install.path()).empty());

    EXPECT_EQ(folderStateOf(install.path()), before);
}

TEST(JournalRepairFolder, RecordCutShortBeforeItsFolderIsDroppedWithNothingDone) {
    TempFolder install;
    TestRecordsKey records;
    install.write(L"a.dat", "a");
    install.write(L"a.dat~old", "old a");
    const FolderState before = folderStateOf(install.path());
    plantRecord(records.key(), nullptr, utf16Bytes(followedText));

    EXPECT_EQ(repairOutcome(records.key()), JournalRepair::none);

    EXPECT_TRUE(storedRuns(records.key()).empty());
    EXPECT_EQ(folderStateOf(install.path()), before);
}

// Found by the folder however its text is spelled; another folder's record
// is left to the start.
TEST(JournalRepairFolder, RecordsOfOneFolderAreFoundBySpellingsOfIt) {
    TempFolder install;
    TempFolder other;
    TestRecordsKey records;
    install.write(L"a.dat", "new a");
    install.write(L"a.dat~old", "old a");
    other.write(L"a.dat", "other's new a");
    other.write(L"a.dat~old", "other's old a");
    const std::vector<StoppedEntry> stopped{{L"a.dat", L"a.dat", L"a.dat~old"}};
    ASSERT_NO_FATAL_FAILURE(leaveStoppedRun(records.key(), install.path(), stopped));
    ASSERT_NO_FATAL_FAILURE(leaveStoppedRun(records.key(), other.path(), stopped));
    std::wstring spelled = install.path() + L"\\";
    CharLowerBuffW(spelled.data(), static_cast<DWORD>(spelled.size()));

    const std::vector<RunRepair> repairs = repairStoppedRunsIn(records.key(), spelled);

    ASSERT_EQ(repairs.size(), 1u);
    EXPECT_EQ(repairs[0].outcome, JournalRepair::restored);
    EXPECT_EQ(repairs[0].folder, install.path());
    EXPECT_EQ(folderStateOf(install.path()), (FolderState{{L"a.dat", "old a"}}));
    EXPECT_EQ(folderStateOf(other.path()), (FolderState{{L"a.dat", "other's new a"}, {L"a.dat~old", "other's old a"}}));
    EXPECT_EQ(storedRuns(records.key()).size(), 1u);
}

// A folder of the game turned into a link to a folder outside: the plan
// names it, and a record through it is never followed.
TEST(JournalRepairFolder, LinkBelowTheFolderStopsThePlanAndTheRepair) {
    TempFolder parent;
    TempFolder install(parent.path() + L"\\");
    TestRecordsKey records;
    ASSERT_TRUE(CreateDirectoryW(parent.file(L"outside").c_str(), nullptr));
    parent.write(L"outside\\a.dat", "outside a");
    parent.write(L"outside\\a.dat~old", "outside old a");
    parent.write(L"outside\\b.dat", "outside b");
    UnixLink link(install.path(), L"data", L"../outside");
    ASSERT_TRUE(link.made()) << "no link under Wine";
    const FolderState before = folderStateOf(parent.path() + L"\\outside");

    TempFolder patch;
    patch.write(L"a.src", "new a");
    CopyTransaction transaction(install.path(), records.key());
    transaction.plan({{patch.file(L"a.src"), L"data\\a.dat", 5}});
    EXPECT_EQ(transaction.firstLink(), L"data");

    RunRecord record;
    ASSERT_TRUE(record.create(records.key(), install.path(),
                              L"patch journal 2\nreplace\tdata\\a.dat~new\tdata\\a.dat\tdata\\a.dat~old\n"
                              L"new\tdata\\b.dat~new\tdata\\b.dat\nend\n"));
    const std::vector<RunRepair> repairs = repairStoppedRuns(records.key());
    ASSERT_EQ(repairs.size(), 1u);
    EXPECT_EQ(repairs[0].outcome, JournalRepair::throughLink);
    EXPECT_EQ(repairs[0].link, L"data");

    EXPECT_EQ(folderStateOf(parent.path() + L"\\outside"), before);
    EXPECT_EQ(storedRuns(records.key()).size(), 1u);
}

}  // namespace
