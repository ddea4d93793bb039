// The fixture of the end-to-end scenarios: a patch ready to run, and the
// waits and checks that every scenario shares.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/driver/ProgramWindows.h"
#include "tests/e2e/PatchFixture.h"

inline constexpr DWORD exitTimeoutMs = 15000;

// Files of a patch whose copy takes long enough to act on it while it runs,
// in a run whose copy is paced (CopySpeed::paced).
inline std::vector<PatchSource> slowPatch() {
    return {{L"first.bin", L"", patternBytes(10000, 1)},
            {L"large.bin", L"", patternBytes(24u << 20, 2)},
            {L"last.bin", L"", patternBytes(5000, 3)}};
}

using Dialog = HWND;

class PatchProgram : public PatchProgramTest {
protected:
    // A patch ready to run: files shipped, game installed and registered.
    void prepareInstalledGame(const std::vector<PatchSource>& files) {
        shipPatch(files);
        putGameExecutable();
        registerInstallFolder(gameFolder + L"\\");
    }

    Dialog waitForPatchDialog(const ProgramRun& run) {
        HWND dialog = waitForDialog(run.processId(), DialogKind::patchDialog);
        if (dialog == nullptr) {
            // What the program showed instead says most about the fault.
            HWND box = findDialog(run.processId(), DialogKind::messageBox);
            ADD_FAILURE() << "no patch dialog"
                          << (box != nullptr ? "; a message box says: " + utf8(readMessageBox(box).text) : "");
        }
        return dialog;
    }

    MessageBoxView waitForMessageBox(const ProgramRun& run) {
        HWND box = waitForDialog(run.processId(), DialogKind::messageBox);
        EXPECT_NE(box, nullptr) << "no message box";
        return box != nullptr ? readMessageBox(box) : MessageBoxView{};
    }

    // Presses Run in the dialog once it opens, and reads the box the program
    // answers with; an empty view (the failure reported) when either the
    // dialog or the box did not come.
    MessageBoxView boxAfterRun(const ProgramRun& run, Dialog& dialog) {
        dialog = waitForPatchDialog(run);
        if (dialog == nullptr) {
            return {};
        }
        pressButton(dialog, IDC_RUN);
        return waitForMessageBox(run);
    }

    // Starts a copy that runs long enough to be interrupted; null when the
    // dialog did not open or the copy did not start.
    Dialog startSlowCopy(const ProgramRun& run) {
        const Dialog dialog = waitForPatchDialog(run);
        if (dialog == nullptr) {
            return nullptr;
        }
        pressButton(dialog, IDC_RUN);
        const bool started = waitUntil([&] { return copying(dialog); });
        EXPECT_TRUE(started) << "the copy did not start";
        return started ? dialog : nullptr;
    }

    // The dialog as it opens on the installed game: the settings' caption,
    // the game folder (one trailing backslash of the registry value
    // trimmed), the prompt to choose and the space of the patch.
    void expectOpeningView(Dialog dialog, std::uint64_t patchBytes) {
        EXPECT_EQ(windowText(dialog), caption);
        EXPECT_EQ(controlText(dialog, IDC_FOLDER), gameFolder);
        EXPECT_EQ(controlText(dialog, IDC_PROMPT), L"インストール先のフォルダを選択して下さい。");
        expectSpaceText(controlText(dialog, IDC_SPACE), patchBytes, gameFolder);
    }

    static bool copying(Dialog dialog) { return IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS)) != FALSE; }
    static bool finished(Dialog dialog) { return controlText(dialog, IDC_PROMPT) == L"コピー終了"; }

    void expectExitCode(ProgramRun& run, DWORD expected) {
        const std::optional<DWORD> code = run.exitCode(exitTimeoutMs);
        ASSERT_TRUE(code.has_value()) << "the program did not end";
        EXPECT_EQ(*code, expected);
    }

    // A start while another instance runs ends with 0 and shows nothing.
    void expectSilentSecondStart() {
        ProgramRun second(program);
        ASSERT_TRUE(second.started());
        bool showedWindow = false;
        EXPECT_TRUE(waitUntil([&] {
            showedWindow = showedWindow || hasVisibleWindow(second.processId());
            return second.exitCode(0).has_value();
        }));
        EXPECT_EQ(second.exitCode(0), 0u);
        EXPECT_FALSE(showedWindow);
    }

    // The end of a copy that succeeds: "コピー終了", the Run button turned
    // into an enabled "完了", which ends the program with 1, every file
    // installed.
    void expectCopyEndsWithOne(ProgramRun& run, Dialog dialog, const std::vector<PatchSource>& files,
                               DWORD copyTimeoutMs = windowTimeoutMs) {
        ASSERT_TRUE(waitUntil([&] { return finished(dialog); }, copyTimeoutMs));
        ASSERT_TRUE(waitUntil([&] {
            return controlText(dialog, IDC_RUN) == L"完了" && IsWindowEnabled(GetDlgItem(dialog, IDC_RUN)) != FALSE;
        }));
        pressButton(dialog, IDC_RUN);
        expectExitCode(run, 1);
        for (const PatchSource& file : files) {
            expectInstalled(file);
        }
    }

    void expectInstalled(const PatchSource& file) {
        const std::wstring name = file.destinationName.empty() ? file.sourceName : file.destinationName;
        const std::string installed = fileBytesOrMissing(installedFile(name));
        EXPECT_EQ(installed.size(), file.bytes.size()) << utf8(name);
        EXPECT_TRUE(installed == file.bytes) << utf8(name) << " differs from its source";
    }
};

// The question asked by Cancel (or Esc).
inline void expectCancelQuestion(const MessageBoxView& box, Dialog dialog) {
    EXPECT_EQ(box.text, L"処理を中断しましすか？");
    EXPECT_EQ(box.caption, L"キャンセル");
    EXPECT_EQ(box.owner, dialog);
    EXPECT_TRUE(box.hasCancel);
}

// The question asked by Cancel, answered as the test says.
inline void answerCancelQuestion(const MessageBoxView& box, Dialog dialog, int answer) {
    expectCancelQuestion(box, dialog);
    pressButton(box.window, answer);
}
