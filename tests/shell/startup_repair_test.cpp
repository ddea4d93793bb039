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

namespace {

struct StartupCase {
    const char* name;
    // The journal's text; none: no journal.
    const wchar_t* journal;
    // Whether the folder ends patched (the copy completed) rather than as before.
    bool endsPatched;
    // The box's text before the journal's path, and its caption; no text: no box.
    const wchar_t* text;
    const wchar_t* caption;
};

void PrintTo(const StartupCase& startup, std::ostream* out) { *out << startup.name; }

class StartupRepair : public ::testing::TestWithParam<StartupCase> {};

// The folder as a run left it after moving a.dat aside and b.dat into place:
// a.dat's old content kept, its new one still staged.
TEST_P(StartupRepair, RepairsTheFolderAndSaysSoInOneBoxWithoutOwner) {
    const StartupCase& startup = GetParam();
    TempFolder install;
    TestRecordsKey records;
    install.write(L"a.dat~old", "old a");
    install.write(L"a.dat~new", "new a");
    install.write(L"b.dat", "new b");
    RunRecord record;
    if (startup.journal != nullptr) {
        ASSERT_TRUE(record.create(records.key(), install.path(), startup.journal));
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
        EXPECT_EQ(after, (FolderState{{L"b.dat", "new b"}}));
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
        StartupCase{"NoJournal", nullptr, false, nullptr, nullptr},
        // Stopped before it changed any game file: nothing to tell.
        StartupCase{"RecordOfNoFile", L"patch journal 1\nend\n", false, nullptr, nullptr},
        StartupCase{"StoppedBeforeTheCommitEnded",
                    L"patch journal 1\nreplace\ta.dat~new\ta.dat\ta.dat~old\nnew\tb.dat~new\tb.dat\nend\n", false,
                    L"前回のコピーが途中で終わっていたため、ゲームのファイルを元に戻しました。", L""},
        StartupCase{"StoppedOnceTheCommitWasRecorded",
                    L"patch journal 1\nnew\tb.dat~new\tb.dat\nreplace\ta.dat~new\ta.dat\ta.dat~old\nend\n"
                    L"committed\n",
                    true, L"前回のコピーが途中で終わっていたため、コピーを完了しました。", L""},
        StartupCase{"ForeignJournal",
                    L"patch journal 1\nreplace\ta.dat~new\t..\\a.dat\ta.dat~old\nend\n", false,
                    L"前回のコピーの記録が読めないため、そのままにしました。", L"error"},
        StartupCase{"CutShort", L"patch journal 1\nreplace\ta.dat~new\ta.dat", false,
                    L"前回のコピーの記録が読めないため、そのままにしました。", L"error"}),
    [](const ::testing::TestParamInfo<StartupCase>& info) { return std::string(info.param.name); });

}  // namespace
