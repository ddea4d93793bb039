// The worker's copy: every entry with a known size, from the program's folder
// into the install folder, about 1 MiB of whole clusters at a time, with the
// dialog turned into its progress view; each file the table of digests names
// is hashed on the way, beside the copy (HashingThread), and one whose
// digest differs stops the copy as damaged. All or nothing: every file is staged beside its destination first, then all are
// moved into place; a failure, a damaged file or a cancel before the end puts
// the folder back as it was (CopyTransaction).
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "copy/ChunkSize.h"
#include "copy/CopyJob.h"
#include "copy/CopyPlan.h"
#include "copy/CopyTransaction.h"
#include "copy/HashingThread.h"
#include "copy/RunLock.h"
#include "copy/StagedFlush.h"
#include "copy/StartChecks.h"
#include "copy/copy_rules.h"
#include "core/FileProbe.h"
#include "core/HandleOwners.h"
#include "core/PatchSession.h"
#include "core/Sha256.h"
#include "resources/resource_ids.h"

namespace {

// What one run of the copy carries from entry to entry.
struct CopyRun {
    PatchSession& session;
    HWND progressBar;
    // The chunk read next; the other of the two buffers may still be
    // hashed meanwhile.
    unsigned char* buffer;
    unsigned char* otherBuffer;
    std::uint32_t chunkSize;
    std::uint64_t total;
    // Hashes each file the table names on the copy's own pass over its
    // bytes: a big file is never read twice.
    HashingThread& hash;
    std::uint64_t done = 0;
    // Where the bar stands. Each position sent waits for the dialog's
    // thread (about 190 µs under Wine), so it is sent only when it moves:
    // at most 101 times a run, whatever the size.
    int shownPosition = 0;
    bool cancelled = false;
};

void setControlShown(HWND dialog, int id, int how) { ShowWindow(GetDlgItem(dialog, id), how); }

void setControlText(HWND dialog, int id, const wchar_t* text) { SetWindowTextW(GetDlgItem(dialog, id), text); }

void setProgress(HWND progressBar, int position) {
    SendMessageW(progressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

// Whether the player asked to cancel; the run remembers it.
bool cancelRequested(CopyRun& run) {
    if (run.session.takeCancelRequest()) {
        run.cancelled = true;
    }
    return run.cancelled;
}

// Counts `written` bytes as done and moves the bar when its position changes.
void countWritten(CopyRun& run, DWORD written) {
    run.done += written;
    const int position = progressPosition(run.done, run.total);
    if (position != run.shownPosition) {
        run.shownPosition = position;
        setProgress(run.progressBar, position);
    }
}

// Copies the entry's bytes, a chunk at a time, from `source` to `staged`,
// hashed on the way when the table names the file. The cancel test comes
// after each chunk, so an empty entry still makes one pass and its staged
// file exists, empty.
CopyResult copyChunks(CopyRun& run, const PatchFileEntry& entry, HANDLE source, HANDLE staged) {
    std::uint64_t copied = 0;
    bool firstChunk = true;
    do {
        if (!firstChunk && cancelRequested(run)) {
            return copyDone;
        }
        firstChunk = false;
        const std::uint64_t left = entry.size - copied;
        const DWORD wanted = left < run.chunkSize ? static_cast<DWORD>(left) : run.chunkSize;

        DWORD got = 0;
        if (!ReadFile(source, run.buffer, wanted, &got, nullptr) || got < wanted) {
            return copyReadFailed;
        }
        copied += got;
        if (entry.checked && !run.hash.update(run.buffer, got)) {
            return copyReadFailed;
        }
        DWORD written = 0;
        if (!WriteFile(staged, run.buffer, wanted, &written, nullptr) || written < wanted) {
            return copyWriteFailed;
        }
        countWritten(run, written);
        std::swap(run.buffer, run.otherBuffer);
    } while (copied < entry.size);
    return copyDone;
}

// The size was taken when the settings were loaded. A source that has grown
// since then would leave a truncated file behind a copy reported as
// complete, so one more byte must not be there.
bool endsAtItsSize(CopyRun& run, HANDLE source) {
    DWORD beyond = 0;
    return ReadFile(source, run.buffer, 1, &beyond, nullptr) && beyond == 0;
}

// The digest of what was copied against the table's; a damaged file's text
// goes to the session's status.
CopyResult digestCheck(CopyRun& run, const PatchFileEntry& entry) {
    Sha256Digest digest{};
    if (!run.hash.finish(digest)) {
        return copyReadFailed;
    }
    if (digest != entry.expectedDigest) {
        // The room was made before the copy started: nothing allocates.
        writeDamagedFileText(run.session, entry, run.session.statusText);
        return copyDamaged;
    }
    return copyDone;
}

// Writes exactly entry.size bytes under the staged name of planned entry
// `planned`, then hands the staged file, its identity whole, to `flush`.
// Returns copyDone also when a cancel request stopped it, with
// run.cancelled set.
CopyResult stageEntry(CopyRun& run, const PatchFileEntry& entry, CopyTransaction& transaction, std::size_t planned,
                      StagedFlush& flush) {
    if (cancelRequested(run)) {
        return copyDone;
    }
    // Neither file is shared while it is written. The staged file is declared
    // first so that it is closed last, after the source.
    UniqueHandle staged;
    UniqueHandle source(CreateFileW(entry.sourcePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    const PlannedPaths& paths = transaction.paths()[planned];
    if (!source.valid() || !stillReplaceable(paths.destination, !paths.kept.empty())) {
        return copyOpenFailed;
    }
    staged = transaction.createStaged(planned);
    // No file the table names is installed unchecked.
    if (!staged.valid() || (entry.checked && !run.hash.begin())) {
        return copyOpenFailed;
    }
    CopyResult result = copyChunks(run, entry, source.get(), staged.get());
    if (result != copyDone || run.cancelled) {
        return result;
    }
    if (!endsAtItsSize(run, source.get())) {
        return copyReadFailed;
    }
    if (entry.checked && (result = digestCheck(run, entry)) != copyDone) {
        return result;
    }
    // Its identity whole, then everything on the disk before the committed
    // line is, since after that line the old files go: a power cut must not
    // leave new names holding zeros. Flushed on the handle that wrote it,
    // while the system may still hold its bytes (no second open), together
    // with other staged files.
    if (!transaction.stagedWritten(planned, staged.get()) || !flush.hold(std::move(staged))) {
        return copyWriteFailed;
    }
    return copyDone;
}

// Stages every planned file, in the plan's order, each flushed to the disk
// by the end. Every staged file is closed on return, so that a roll-back can
// delete it.
CopyResult stageAll(CopyRun& run, CopyTransaction& transaction) {
    StagedFlush flush(run.session.diskSeams.flushFile);
    for (std::size_t planned = 0; planned < transaction.paths().size(); ++planned) {
        const PatchFileEntry& entry = run.session.files[transaction.listedEntryOf(planned)];
        const CopyResult result = stageEntry(run, entry, transaction, planned, flush);
        if (result != copyDone || run.cancelled) {
            return result;
        }
    }
    return flush.flushHeld() ? copyDone : copyWriteFailed;
}

// Whether any listed file was found when the settings were loaded.
bool anyFileFound(const std::vector<PatchFileEntry>& files) {
    for (const PatchFileEntry& entry : files) {
        if (entry.isCopied()) {
            return true;
        }
    }
    return false;
}

// Room in statusText for the text of any file the copy may find damaged,
// made while the copy may still allocate.
void makeRoomForDamagedText(PatchSession& session) {
    std::size_t longest = 0;
    for (const PatchFileEntry& entry : session.files) {
        if (entry.checked) {
            const std::size_t length = damagedFileTextLength(session, entry);
            longest = length > longest ? length : longest;
        }
    }
    session.statusText.reserve(longest);
}

// Moves every staged file into place. A cancel confirmed while the files
// were moved still counts: the folder goes back. True when the copy is
// complete; otherwise `result` says how it ended.
bool commitAll(CopyRun& run, CopyTransaction& transaction, CopyResult& result) {
    if (!transaction.commit()) {
        result = copyWriteFailed;
        return false;
    }
    if (run.session.takeCancelRequest()) {
        result = copyDone;
        return false;
    }
    if (!transaction.complete()) {
        result = copyWriteFailed;
        return false;
    }
    return true;
}

}  // namespace

void showProgressView(HWND dialog) {
    setControlShown(dialog, IDC_BROWSE, SW_HIDE);
    setControlShown(dialog, IDC_FOLDER, SW_HIDE);
    setControlShown(dialog, IDC_SPACE, SW_HIDE);
    setControlShown(dialog, IDC_PROGRESS, SW_SHOW);
    setControlText(dialog, IDC_PROMPT, L"コピー中...");
    HWND progressBar = GetDlgItem(dialog, IDC_PROGRESS);
    SendMessageW(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    setProgress(progressBar, 0);
    // Disabling Run took the keyboard focus with it. With no focus, the
    // system hands the keys to the active dialog as system keys
    // (WM_SYSKEYDOWN), which the dialog manager ignores: Esc would no longer
    // ask to cancel. The bar takes the focus instead, where Enter still does
    // nothing (the default button, Run, is disabled). The dialog's own
    // thread moves it (see showFinishedView).
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(progressBar), TRUE);
}

void showFinishedView(HWND dialog) {
    setProgress(GetDlgItem(dialog, IDC_PROGRESS), 100);
    setControlText(dialog, IDC_PROMPT, L"コピー終了");
    HWND runButton = GetDlgItem(dialog, IDC_RUN);
    SetWindowTextW(runButton, L"完了");
    EnableWindow(runButton, TRUE);
    // Enabling Run again does not give it the focus: without this, Enter
    // would do nothing and a keyboard player could not finish. Focus
    // belongs to the dialog's thread, so the dialog itself moves it (a
    // SetFocus from this worker thread would fail); WM_NEXTDLGCTL also makes
    // "完了" the default button.
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(runButton), TRUE);
}

CopyResult PatchSession::copyFiles() {
    showProgressView(dialog);
    // A patch of which nothing was found beside the program (started from
    // inside an archive viewer, or from a folder the program can't name)
    // copies nothing: that is no success to report.
    if (!anyFileFound(files)) {
        return copyOpenFailed;
    }

    const std::uint32_t chunkSize = chunkSizeFor(installFolder);
    const std::uint64_t total = totalSize();
    // Two buffers in one block: one is read and written while the other is
    // hashed.
    GlobalBlock buffer(GlobalAlloc(GMEM_FIXED, 2 * std::size_t{chunkSize}));
    if (!buffer.valid()) {
        // Without its buffers the copy can't open its way to any file.
        return copyOpenFailed;
    }

    // One run at a time in any session: another copy of the program that
    // took the lock since Run was pressed is told, and nothing is touched.
    RunLock lock(runRecords);
    if (!lock.take()) {
        statusText = runLockBusyCopyText;
        return copyBusy;
    }

    // Planned and recorded before the first file is written; a link on the
    // way to any planned name, or a record that can't be written, stops the
    // copy with nothing changed.
    CopyTransaction transaction(installFolder, runRecords);
    transaction.setRecordSeam(diskSeams.recordWrite, diskSeams.context);
    transaction.setMoveSeam(diskSeams.beforeMove, diskSeams.context);
    transaction.plan(files);
    makeRoomForDamagedText(*this);
    if (transaction.firstLink() || !transaction.writeJournal()) {
        return copyOpenFailed;
    }

    // Ends before the buffers are freed: it waits for the piece it hashes.
    Sha256Stream digest;
    HashingThread hash(digest);
    CopyRun run{*this, GetDlgItem(dialog, IDC_PROGRESS), buffer.bytes(), buffer.bytes() + chunkSize, chunkSize, total,
                hash};
    // From here on nothing allocates (the paths were planned above), so
    // nothing can leave without the folder being put back.
    CopyResult result = stageAll(run, transaction);
    if (result == copyDone && !run.cancelled && commitAll(run, transaction, result)) {
        showFinishedView(dialog);
        return copyDone;
    }
    // A cancel leaves the progress view as it is (the dialog is already
    // ending). A folder that could not be put back entirely keeps its
    // record, which the next start follows; the copy has failed.
    if (!transaction.rollBack()) {
        return copyWriteFailed;
    }
    return result;
}
