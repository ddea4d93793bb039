// A player who uses only the keyboard: real key presses from this process
// reach the dialog in front, as they would from the player's keyboard, and
// the focus is read from the program's thread. These run alone
// (tests/e2e/CMakeLists.txt): a key goes to whichever window is in front.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/driver/ProgramWindows.h"
#include "tests/e2e/PatchFixture.h"
#include "tests/e2e/PatchProgram.h"

namespace {

using KeyboardPlayer = PatchProgram;

bool focusIsOn(Dialog dialog, int id) { return focusedWindowOf(dialog) == GetDlgItem(dialog, id); }

TEST_F(KeyboardPlayer, EnterRunsTheCopyIsIgnoredWhileItRunsAndEndsWithOneOnDone) {
    const std::vector<PatchSource> files = slowPatch();
    prepareInstalledGame(files);
    ProgramRun run(program, CopySpeed::paced);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(waitUntil([&] { return focusIsOn(dialog, IDC_RUN); })) << "the focus is not on 実行 at the start";

    ASSERT_TRUE(typeKey(dialog, VK_RETURN));
    ASSERT_TRUE(waitUntil([&] { return copying(dialog); })) << "Enter did not start the copy";

    ASSERT_TRUE(typeKey(dialog, VK_RETURN));
    Sleep(300);
    ASSERT_FALSE(finished(dialog)) << "the copy ended before Enter could be tried on it";
    EXPECT_EQ(findDialog(run.processId(), DialogKind::messageBox), nullptr);
    EXPECT_FALSE(run.exitCode(0).has_value());
    EXPECT_EQ(controlText(dialog, IDC_RUN), L"実行");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_RUN)));

    ASSERT_TRUE(waitUntil([&] { return finished(dialog); }, 30000));
    EXPECT_TRUE(waitUntil([&] { return focusIsOn(dialog, IDC_RUN); })) << "the focus is not on 完了 at the end";
    EXPECT_EQ(controlText(dialog, IDC_RUN), L"完了");
    ASSERT_TRUE(typeKey(dialog, VK_RETURN));
    expectExitCode(run, 1);
    for (const PatchSource& file : files) {
        expectInstalled(file);
    }
}

// Where the dialog stands when the player presses Esc.
enum class DialogState { choosing, copying, finished };

void PrintTo(DialogState state, std::ostream* out) {
    *out << (state == DialogState::choosing ? "Choosing" : state == DialogState::copying ? "Copying" : "Finished");
}

class KeyboardEsc : public PatchProgram, public testing::WithParamInterface<DialogState> {};

TEST_P(KeyboardEsc, AsksTheCancelQuestionAndEndsWithTwoOnOk) {
    const DialogState state = GetParam();
    prepareInstalledGame(state == DialogState::copying ? slowPatch()
                                                       : std::vector<PatchSource>{{L"a.bin", L"", patternBytes(5000)}});
    ProgramRun run(program, state == DialogState::copying ? CopySpeed::paced : CopySpeed::asItIs);
    const Dialog dialog = waitForPatchDialog(run);
    ASSERT_NE(dialog, nullptr);
    if (state != DialogState::choosing) {
        pressButton(dialog, IDC_RUN);
        ASSERT_TRUE(waitUntil([&] { return state == DialogState::copying ? copying(dialog) : finished(dialog); }));
    }

    ASSERT_TRUE(typeKey(dialog, VK_ESCAPE));
    const MessageBoxView box = waitForMessageBox(run);
    ASSERT_NE(box.window, nullptr) << "Esc asked nothing";
    expectCancelQuestion(box, dialog);
    if (state == DialogState::copying) {
        EXPECT_FALSE(finished(dialog)) << "the copy ended before Esc was tried on it";
    }
    // OK is the box's default button.
    ASSERT_TRUE(typeKey(box.window, VK_RETURN));
    expectExitCode(run, 2);
}

INSTANTIATE_TEST_SUITE_P(States, KeyboardEsc,
                         testing::Values(DialogState::choosing, DialogState::copying, DialogState::finished),
                         [](const testing::TestParamInfo<DialogState>& info) {
                             std::ostringstream name;
                             PrintTo(info.param, &name);
                             return name.str();
                         });

}  // namespace
