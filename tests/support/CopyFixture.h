// A patch folder, an install folder, the stand-in dialog and a session wired
// to them, as the copy finds them when Run has been pressed.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "copy/ChunkSize.h"
#include "core/FileProbe.h"
#include "core/GameRegistryView.h"
#include "core/PatchSession.h"
#include "resources/resource_ids.h"
#include "tests/support/MessageBoxPresser.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestDialog.h"

// Cluster size of the drive that holds `folder`, read here independently of
// the program, so that expectations follow the real drive.
inline std::uint32_t clusterSizeOf(const std::wstring& folder) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    const std::wstring root = folder.substr(0, 3);
    EXPECT_TRUE(GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        << utf8(root);
    return bytesPerSector * sectorsPerCluster;
}

// True when nothing else holds the file open: an unshared open succeeds.
inline bool openedByNobody(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

inline bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Everything below a folder, byte for byte: each file's name with its bytes,
// each folder's name with "<folder>", so that a copy that put things back
// compares equal only when nothing was added, removed or changed.
using FolderState = std::map<std::wstring, std::string>;
inline FolderState folderStateOf(const std::wstring& folder) {
    FolderState state;
    for (const FolderEntry& entry : listFolderTree(folder)) {
        state[entry.name] = entry.isFolder ? std::string("<folder>") : readWholeFile(folder + L'\\' + entry.name);
    }
    return state;
}

// A records key of the test's own, below HKEY_LOCAL_MACHINE in the game
// key's view, so that tests running side by side never meet each other's
// records (nor the program's own key); removed with its records at the end.
class TestRecordsKey {
public:
    TestRecordsKey()
        : below_(L"patch_quill tests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++made_)),
          key_(L"SOFTWARE\\" + below_) {}
    ~TestRecordsKey() { deleteGameKeyTree(below_.c_str()); }
    TestRecordsKey(const TestRecordsKey&) = delete;
    TestRecordsKey& operator=(const TestRecordsKey&) = delete;

    const std::wstring& key() const { return key_; }

private:
    static inline unsigned made_ = 0;
    std::wstring below_;
    std::wstring key_;
};

class CopyFixture : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_NE(dialog.window(), nullptr);
        session.installFolder = install.path();
        session.runRecords = records.key();
        session.dialog = dialog.window();
        dialog.watch(session);
        // The job start disables Run before the worker runs.
        EnableWindow(dialog.control(IDC_RUN), FALSE);
        // The copy's own chunk (ChunkSize tests how it follows the drive).
        chunk = chunkSizeFor(install.path());
        ASSERT_GT(chunk, 0u);
    }

    // Writes the source and lists it with its size, as the settings would.
    void addEntry(const std::wstring& name, const std::string& bytes) {
        addEntryRecordedAs(name, bytes, static_cast<std::uint32_t>(bytes.size()));
    }
    // Lists a source whose size has changed since the settings were loaded.
    void addEntryRecordedAs(const std::wstring& name, const std::string& bytes, std::uint32_t recordedSize) {
        patch.write(name, bytes);
        session.files.push_back({patch.file(name), name, recordedSize});
    }

    std::string copied(const std::wstring& name) const { return readWholeFile(install.file(name)); }

    static DWORD WINAPI copyOnWorker(LPVOID parameter) {
        auto* self = static_cast<CopyFixture*>(parameter);
        self->result = self->session.copyFiles();
        return 0;
    }

    // Runs copyFiles on a worker thread while this thread serves the dialog.
    CopyResult copy() {
        dialog.clearEvents();
        result = static_cast<CopyResult>(99);
        runOnWorker(dialog, copyOnWorker, this);
        return result;
    }

    TempFolder patch;
    TempFolder install;
    TestRecordsKey records;
    TestDialog dialog;
    PatchSession session;
    std::uint32_t chunk = 0;
    CopyResult result = copyDone;
};

// Run pressed: the job start on the test's thread, its boxes answered by a
// presser, then the worker it started served to its end.
class CopyJobFixture : public CopyFixture {
public:
    void SetUp() override {
        CopyFixture::SetUp();
        EnableWindow(dialog.control(IDC_RUN), TRUE);
    }

    // Run pressed with `folderText` in the edit; each box answered by
    // `answer` (OK when none is given).
    bool startWith(const std::wstring& folderText, MessageBoxAnswer answer = {}) {
        MessageBoxPresser presser(dialog.window(), std::move(answer));
        const bool started = session.startCopyJob(folderText.c_str());
        presser.stop();
        boxes = presser.seen();
        return started;
    }

    // Serves the worker until it has returned; its exit code.
    DWORD finish() {
        if (!session.workerThread.valid()) {
            ADD_FAILURE() << "no worker was started";
            return 0xDEAD;
        }
        EXPECT_TRUE(dialog.pumpUntilDone(session.workerThread.get())) << "the worker did not end in time";
        DWORD exitCode = 0xDEAD;
        GetExitCodeThread(session.workerThread.get(), &exitCode);
        return exitCode;
    }

    void TearDown() override {
        if (session.isWorkerRunning()) {
            finish();
        }
        // A worker still running when the session goes would hang the
        // test's end until ctest's time-out: the test fails now instead.
        if (session.isWorkerRunning()) {
            ADD_FAILURE() << "the worker was still running at the end of the test";
            TerminateThread(session.workerThread.get(), 1);
        }
    }

    std::vector<SeenMessageBox> boxes;
};
