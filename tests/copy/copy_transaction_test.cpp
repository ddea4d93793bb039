// The copy's transaction on a real folder: a run stopped after any step of
// its commit, then repaired from its journal as the next start does it, and
// journals that must not be followed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copy/CopyTransaction.h"
#include "tests/support/CopyFixture.h"

namespace {

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

    // Plans, writes the journal and stages every file as the copy does.
    void stage(CopyTransaction& transaction) {
        transaction.plan(files);
        ASSERT_TRUE(transaction.writeJournal());
        std::size_t planned = 0;
        for (const PatchFileEntry& entry : files) {
            if (entry.size != noSizeMarker) {
                const std::wstring& staged = transaction.paths()[planned++].staged;
                ASSERT_TRUE(CopyFileW(entry.sourcePath.c_str(), staged.c_str(), TRUE)) << utf8(staged);
            }
        }
    }

    TempFolder patch;
    TempFolder install;
    std::vector<PatchFileEntry> files;
    FolderState before;
    FolderState patched;
};

TEST_F(CopyTransactionSteps, PlanNamesEveryFileBesideItsDestination) {
    install.write(L"game.dat~new", "someone's file");
    CopyTransaction transaction(install.path());
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
    EXPECT_FALSE(fileExists(journalPathIn(install.path())));
}

TEST_F(CopyTransactionSteps, JournalIsOnTheDiskBeforeTheFirstFileIsStaged) {
    CopyTransaction transaction(install.path());
    transaction.plan(files);
    ASSERT_TRUE(transaction.writeJournal());

    // Written through, as UTF-16 code units, while the run still holds it.
    UniqueHandle journalFile(CreateFileW(journalPathIn(install.path()).c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(journalFile.valid());
    std::wstring text(4096, L'\0');
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(journalFile.get(), text.data(), 4096 * sizeof(wchar_t), &got, nullptr));
    ASSERT_EQ(got % 2, 0u);
    text.resize(got / sizeof(wchar_t));
    journalFile.reset();
    EXPECT_EQ(text, journalText(transaction.journal()));
    // A second run never writes over it.
    CopyTransaction second(install.path());
    second.plan(files);
    EXPECT_FALSE(second.writeJournal());
    EXPECT_TRUE(transaction.rollBack());
    EXPECT_EQ(folderStateOf(install.path()), before);
}

// The run is dropped after `k` moves, as a process killed there: the next
// start finds the folder with its journal and puts it back as it was.
TEST_F(CopyTransactionSteps, StoppedAfterAnyMoveTheNextStartPutsTheFolderBack) {
    for (std::size_t k = 0;; ++k) {
        SCOPED_TRACE("stopped after move " + std::to_string(k));
        std::size_t steps = 0;
        {
            CopyTransaction transaction(install.path());
            stage(transaction);
            if (HasFatalFailure()) {
                return;
            }
            ASSERT_TRUE(transaction.commit(k));
            steps = transaction.commitStepCount();
        }
        ASSERT_TRUE(fileExists(journalPathIn(install.path())));

        EXPECT_EQ(repairFromJournal(install.path()), JournalRepair::restored);

        EXPECT_EQ(folderStateOf(install.path()), before);
        EXPECT_EQ(repairFromJournal(install.path()), JournalRepair::none);
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
            CopyTransaction transaction(install.path());
            stage(transaction);
            if (HasFatalFailure()) {
                return;
            }
            ASSERT_TRUE(transaction.commit());
            ASSERT_TRUE(transaction.complete(keptDeleted));
        }
        ASSERT_TRUE(fileExists(journalPathIn(install.path())));

        EXPECT_EQ(repairFromJournal(install.path()), JournalRepair::completed);

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
    CopyTransaction transaction(install.path());
    stage(transaction);
    ASSERT_TRUE(transaction.commit());
    ASSERT_TRUE(transaction.complete());

    EXPECT_EQ(folderStateOf(install.path()), patched);
    EXPECT_EQ(repairFromJournal(install.path()), JournalRepair::none);
}

// A roll back that can't finish (another program holds a file the run made)
// keeps the journal, and the next start finishes it once the file is free.
TEST_F(CopyTransactionSteps, RollBackThatFailsKeepsTheJournalForTheNextStart) {
    CopyTransaction transaction(install.path());
    stage(transaction);
    ASSERT_TRUE(transaction.commit(3));  // game.dat replaced, new.dat in place
    UniqueHandle holder(
        CreateFileW(install.file(L"new.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.valid());

    EXPECT_FALSE(transaction.rollBack());
    EXPECT_TRUE(fileExists(journalPathIn(install.path())));
    EXPECT_EQ(repairFromJournal(install.path()), JournalRepair::failed);
    holder.reset();

    EXPECT_EQ(repairFromJournal(install.path()), JournalRepair::restored);
    EXPECT_EQ(folderStateOf(install.path()), before);
}

// --- Journals that are never followed: every file stays as it is. ---

std::string utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

struct RefusedJournalCase {
    const char* name;
    std::string bytes;
};

void PrintTo(const RefusedJournalCase& refused, std::ostream* out) { *out << refused.name; }

class RefusedJournal : public ::testing::TestWithParam<RefusedJournalCase> {};

TEST_P(RefusedJournal, IsLeftAsItIsWithEveryFile) {
    TempFolder parent;
    TempFolder install(parent.path() + L"\\");
    const std::wstring& folder = install.path();
    // Files that a followed journal would move or delete.
    const auto write = [&install](const std::wstring& name, const std::string& bytes) { install.write(name, bytes); };
    write(L"a.dat", "patched a");
    write(L"a.dat~old", "old a");
    write(L"a.dat~new", "staged a");
    write(journalFileName, GetParam().bytes);
    parent.write(L"outside.dat", "outside");
    parent.write(L"outside.dat~old", "outside old");
    const FolderState before = folderStateOf(parent.path());

    EXPECT_EQ(repairFromJournal(folder), JournalRepair::unreadable);

    EXPECT_EQ(folderStateOf(parent.path()), before);
}

const std::wstring followedText = L"patch journal 1\nreplace\ta.dat~new\ta.dat\ta.dat~old\nend\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedJournal,
    ::testing::Values(
        RefusedJournalCase{"NamesOutsideTheFolder",
                           utf16Bytes(L"patch journal 1\nreplace\t..\\outside.dat~new\t..\\outside.dat\t"
                                      L"..\\outside.dat~old\nend\n")},
        RefusedJournalCase{"NamesAFullPath",
                           utf16Bytes(L"patch journal 1\nreplace\tC:\\a.dat~new\tC:\\a.dat\tC:\\a.dat~old\nend\n")},
        RefusedJournalCase{"KeptNameNotBesideItsDestination",
                           utf16Bytes(L"patch journal 1\nreplace\ta.dat~new\ta.dat\tgame.exe\nend\n")},
        RefusedJournalCase{"Truncated", utf16Bytes(followedText.substr(0, followedText.size() - 5))},
        RefusedJournalCase{"CutInsideACodeUnit", utf16Bytes(followedText).substr(0, 2 * followedText.size() - 1)},
        RefusedJournalCase{"OddByteCount", utf16Bytes(followedText) + "x"},
        RefusedJournalCase{"Empty", ""},
        RefusedJournalCase{"Garbage", patternBytes(200, 9)},
        // The same text in bytes of code page 932 rather than UTF-16.
        RefusedJournalCase{"NarrowText", "patch journal 1\nreplace\ta.dat~new\ta.dat\ta.dat~old\nend\n"}),
    [](const ::testing::TestParamInfo<RefusedJournalCase>& info) { return std::string(info.param.name); });

TEST(JournalRepairFolder, WithoutAJournalNothingIsDone) {
    TempFolder install;
    install.write(L"a.dat~old", "left by someone");
    const FolderState before = folderStateOf(install.path());

    EXPECT_EQ(repairFromJournal(install.path()), JournalRepair::none);
    EXPECT_EQ(repairFromJournal(install.file(L"no such folder")), JournalRepair::none);
    EXPECT_EQ(repairFromJournal(L""), JournalRepair::none);

    EXPECT_EQ(folderStateOf(install.path()), before);
}

// A folder in the journal's place can't be read as one.
TEST(JournalRepairFolder, JournalNameTakenByAFolderIsUnreadable) {
    TempFolder install;
    ASSERT_TRUE(CreateDirectoryW(journalPathIn(install.path()).c_str(), nullptr));

    EXPECT_EQ(repairFromJournal(install.path()), JournalRepair::unreadable);
    EXPECT_TRUE(isFolderAt(journalPathIn(install.path())));
}

}  // namespace
