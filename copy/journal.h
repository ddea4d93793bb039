// The plan a copy records while it changes anything in the install folder,
// so that a run stopped at any moment (killed, crashed, a power cut) can be
// undone, or finished, by the next start. What it records and how it reads
// back; where it is kept is copy/RunRecord.h's business.
//
// The text is UTF-16, one line a fact, each ended by a line feed:
//   patch journal 1
//   new<TAB><staged name><TAB><destination name>
//   replace<TAB><staged name><TAB><destination name><TAB><kept name>
//   end
//   committed                (added once every file is in place)
// Names are relative to the install folder, as the settings list them. The
// staged name is where the new content is written first; the kept name is
// where the old content waits until the end.
#pragma once

#include <string>
#include <vector>

struct JournalEntry {
    std::wstring destination;
    std::wstring staged;
    std::wstring kept;  // empty: the destination did not exist, the file is new

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

// The text written before the first change (entries, then "end").
std::wstring journalText(const Journal& journal);

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
