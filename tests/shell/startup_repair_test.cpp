// The start's repair of a copy stopped part way, and the box it shows for
// each kind of record it finds.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copy/RunRecord.h"
#include "copy/journal.h"
#include "shell/StartupRepair.h"
#include "tests/support/CopyFixture.h"
#include "tests/support/MessageBoxPresser.h"
#include "tests/support/StoppedRun.h"

namespace {

// What a stopped run left in the records.
enum class Record { none, ofNoFile, stoppedInTheMoves, committed, foreign, cutShort };

struct StartupCase {
    const char* name;
    Record record;
    // Whether the folder ends patched (the copy completed) rather than as before.
    bool endsPatched;
    // The box's text before the journal's path, and its caption; no text: no box.
    const wchar_t* text;
    const wchar_t* caption;
};

void PrintTo(const StartupCase& startup, std::ostream* out) { *out << startup.name; }

class StartupRepair : public ::testing::TestWithParam<StartupCase> {};

// The folder as a run left it after moving a.dat aside and b.dat into place:
// a.dat's old content kept, its new one still staged; or, once its commit
// was recorded, a.dat's new content in place too.
std::wstring recordText(Record record, const TempFolder& install) {
    switch (record) {
    case Record::none:
        break;
    case Record::ofNoFile:
        return L"patch journal 2\nend\n";
    case Record::stoppedInTheMoves:
        return stoppedRunText(install.path(), {{L"a.dat", L"a.dat~new", L"a.dat~old"}, {L"b.dat", L"b.dat", L""}});
    case Record::committed:
        return stoppedRunText(install.path(), {{L"b.dat", L"b.dat", L""}, {L"a.dat", L"a.dat", L"a.dat~old"}}, true);
    case Record::foreign:
        return L"patch journal 2\nreplace\ta.dat~new\t..\\a.dat\ta.dat~old\nend\n";
    case Record::cutShort:
        return L"patch journal 2\nreplace\ta.dat~new\ta.dat";
    }
    return std::wstring();
}

TEST_P(StartupRepair, RepairsTheFolderAndSaysSoInOneBoxWithoutOwner) {
    const StartupCase& startup = GetParam();
    TempFolder install;
    TestRecordsKey records;
    install.write(L"a.dat~old", "old a");
    install.write(startup.record == Record::committed ? L"a.dat" : L"a.dat~new", "new a");
    install.write(L"b.dat", "new b");
    RunRecord record;
    if (startup.record != Record::none) {
        ASSERT_TRUE(record.create(records.key(), install.path(), recordText(startup.record, install)));
    }
    const FolderState before = folderStateOf(install.path());

    MessageBoxPresser presser(nullptr);
    repairInterruptedCopies(records.key(), L"");
    presser.stop();

    if (startup.text == nullptr) {
        EXPECT_TRUE(presser.seen().empty());
    } else {
        ASSERT_EQ(presser.seen().size(), 1u);
        const SeenMessageBox& box = presser.seen()[0];
        std::wstring expected = startup.text;
        if (std::wstring(startup.caption) == L"error") {
            expected += L"\n" + storedRunPlace(records.key(), L"1");
        }
        EXPECT_EQ(box.text, expected);
        EXPECT_EQ(box.caption, startup.caption);
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    }
    const FolderState after = folderStateOf(install.path());
    if (startup.endsPatched) {
        EXPECT_EQ(after, (FolderState{{L"a.dat", "new a"}, {L"b.dat", "new b"}}));
    } else if (startup.text != nullptr && std::wstring(startup.caption) == L"") {
        // Put back: a.dat's old content in its place, b.dat (new) gone.
        EXPECT_EQ(after, (FolderState{{L"a.dat", "old a"}}));
    } else {
        EXPECT_EQ(after, before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupRepair,
    ::testing::Values(
        StartupCase{"NoJournal", Record::none, false, nullptr, nullptr},
        // Stopped before it changed any game file: nothing to tell.
        StartupCase{"RecordOfNoFile", Record::ofNoFile, false, nullptr, nullptr},
        StartupCase{"StoppedBeforeTheCommitEnded", Record::stoppedInTheMoves, false,
                    L"前回のコピーが途中で終わっていたため、ゲームのファイルを元に戻しました。", L""},
        StartupCase{"StoppedOnceTheCommitWasRecorded", Record::committed, true,
                    L"前回のコピーが途中で終わっていたため、コピーを完了しました。", L""},
        StartupCase{"ForeignJournal", Record::foreign, false,
                    L"前回のコピーの記録が読めないため、そのままにしました。", L"error"},
        StartupCase{"CutShort", Record::cutShort, false, L"前回のコピーの記録が読めないため、そのままにしました。",
                    L"error"}),
    [](const ::testing::TestParamInfo<StartupCase>& info) { return std::string(info.param.name); });

}  // namespace
