// The plan a copy records while it changes anything in the install folder,
// so that a run stopped at any moment (killed, crashed, a power cut) can be
// undone, or finished, by the next start. What it records and how it reads
// back; where it is kept is copy/RunRecord.h's business.
//
// The text is UTF-16, one line a fact, each ended by a line feed:
//   patch journal 2
//   new<TAB><staged name><TAB><destination name>
//   replace<TAB><staged name><TAB><destination name><TAB><kept name>
//   end
// then, as the run goes on, the identities of the files it handles (entries
// counted from 0 in the order above):
//   made<TAB><entry><TAB><volume><TAB><index>   a staged file as it is created
//   staged<TAB><entry><TAB><identity>           a staged file once written
//   kept<TAB><entry><TAB><identity>             the file moved aside, before the moves
//   committed                                   once every file is in place
// An identity is the volume's serial number, the file's index on it, its
// size and its time of last write, in decimal, separated by tabs. Names are
// relative to the install folder, as the settings list them. The staged name
// is where the new content is written first; the kept name is where the old
// content waits until the end. A file at one of these names is the run's own
// only when its identity is the one recorded: anything else found there is
// someone else's, and is never moved or deleted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/file_identity.h"

// What a record knows of one file of the run.
struct RecordedFile {
    enum class Known : unsigned char {
        nothing,  // not recorded: no file at its name is the run's
        made,     // created, maybe still being written: volume and index alone
        whole,    // written and closed, or the original moved aside: all four
    };
    Known known = Known::nothing;
    FileIdentity identity;

    // Whether the file found is the one recorded.
    bool recognises(const FileIdentity& found) const;
    bool operator==(const RecordedFile&) const = default;
};

struct JournalEntry {
    JournalEntry() = default;
    JournalEntry(std::wstring destination, std::wstring staged, std::wstring kept, RecordedFile stagedFile = {},
                 RecordedFile keptFile = {})
        : destination(std::move(destination)), staged(std::move(staged)), kept(std::move(kept)),
          stagedFile(stagedFile), keptFile(keptFile) {}

    std::wstring destination;
    std::wstring staged;
    std::wstring kept;  // empty: the destination did not exist, the file is new
    RecordedFile stagedFile;
    RecordedFile keptFile;

    bool replaces() const { return !kept.empty(); }
    bool operator==(const JournalEntry&) const = default;
};

struct Journal {
    std::vector<JournalEntry> entries;
    bool committed = false;

    bool operator==(const Journal&) const = default;
};

// The names a staged or kept copy of `destination` may take: the
// destination with "~new" or "~old" and, when that is taken, a number.
std::wstring stagedNameOf(const std::wstring& destination, unsigned attempt);
std::wstring keptNameOf(const std::wstring& destination, unsigned attempt);

// The whole text of a journal: the plan (entries, then "end"), the
// identities it knows and "committed" when it is. The run itself writes the
// plan first and adds the rest line by line as it learns it.
std::wstring journalText(const Journal& journal);

// Room for any one identity line.
inline constexpr std::size_t identityLineRoom = 128;

// Which identity line: a staged file's (a "made" line while its identity is
// not whole), or a kept one's.
enum class IdentityRole { staged, kept };

// Writes the identity line of `entry`'s file into `line` and returns it.
// Allocates nothing: the run adds these while memory may have run out.
std::wstring_view identityLine(IdentityRole role, std::size_t entry, const RecordedFile& file,
                               wchar_t (&line)[identityLineRoom]);

// The line added once the commit is complete.
inline constexpr wchar_t journalCommittedLine[] = L"committed\n";

enum class JournalReading {
    followed,    // read, and every name is one the copy could have written
    unreadable,  // not a journal of this program, or cut short
    foreign,     // names something outside the install folder, or not beside its destination
};

// Reads a journal's text. Only a journal that reads back exactly as the
// copy writes it, and whose names all stay inside the install folder
// beside their destinations, is followed.
JournalReading readJournal(const std::wstring& text, Journal& journal);
