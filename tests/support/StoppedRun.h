// A record as a copy stopped at some moment leaves it, planted by a test:
// the plan, and the identities of the run's files read from where they are
// on the disk now, as the run recorded them before it moved anything.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "copy/RunRecord.h"
#include "copy/journal.h"
#include "core/FileProbe.h"
#include "core/HandleOwners.h"
#include "tests/support/TempFolder.h"

// One file of the plan. Its staged and kept names are the first the copy
// gives ("~new", "~old").
struct StoppedEntry {
    std::wstring destination;
    // Where the run's new file is now, relative to the folder: its staged
    // name, or its destination once moved in. Empty: never made.
    std::wstring newAt;
    // Where the file it replaces is now: its destination, or its kept name
    // once moved aside. Empty: the file is new.
    std::wstring oldAt;
};

// The whole identity of the file at `path`, as the run reads it.
inline RecordedFile recordedAt(const std::wstring& path) {
    RecordedFile file;
    UniqueHandle opened(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    EXPECT_TRUE(opened.valid()) << "nothing to record at " << utf8(path);
    if (const std::optional<FileIdentity> identity = opened.valid() ? identityOf(opened.get()) : std::nullopt) {
        file = {RecordedFile::Known::whole, *identity};
    }
    return file;
}

inline Journal stoppedJournal(const std::wstring& folder, const std::vector<StoppedEntry>& entries,
                              bool committed = false) {
    Journal journal;
    journal.committed = committed;
    for (const StoppedEntry& stopped : entries) {
        JournalEntry entry{stopped.destination, stagedNameOf(stopped.destination, 0),
                           stopped.oldAt.empty() ? std::wstring() : keptNameOf(stopped.destination, 0)};
        if (!stopped.newAt.empty()) {
            entry.stagedFile = recordedAt(folder + L'\\' + stopped.newAt);
        }
        if (!stopped.oldAt.empty()) {
            entry.keptFile = recordedAt(folder + L'\\' + stopped.oldAt);
        }
        journal.entries.push_back(entry);
    }
    return journal;
}

inline std::wstring stoppedRunText(const std::wstring& folder, const std::vector<StoppedEntry>& entries,
                                   bool committed = false) {
    return journalText(stoppedJournal(folder, entries, committed));
}

// The record of such a run under `recordsKey`.
inline void leaveStoppedRun(const std::wstring& recordsKey, const std::wstring& folder,
                            const std::vector<StoppedEntry>& entries, bool committed = false) {
    RunRecord record;
    ASSERT_TRUE(record.create(recordsKey, folder, stoppedRunText(folder, entries, committed)));
}
