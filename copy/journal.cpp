#include "copy/journal.h"

#include <cwchar>
#include <iterator>
#include <limits>
#include <string_view>

#include "core/decimal_text.h"
#include "core/destination_rule.h"

namespace {

constexpr wchar_t firstLine[] = L"patch journal 2";
constexpr wchar_t lastEntryLine[] = L"end";
constexpr wchar_t madeWord[] = L"made";
constexpr wchar_t stagedWord[] = L"staged";
constexpr wchar_t keptWord[] = L"kept";
// What the copy appends to a destination's name for its staged and its kept
// file, before a number when that name is taken.
constexpr wchar_t stagedMark[] = L"~new";
constexpr wchar_t keptMark[] = L"~old";
// The committed line without its line feed, as the lines are compared.
const std::wstring_view committedWord(journalCommittedLine, std::size(journalCommittedLine) - 2);

// A decimal number as the run writes it: digits only, no leading zero, no
// more than `largest`.
bool numberOf(const std::wstring& text, std::uint64_t largest, std::uint64_t& value) {
    if (text.empty() || text.size() > mostDecimalDigits || (text.size() > 1 && text[0] == L'0')) {
        return false;
    }
    value = 0;
    for (const wchar_t digit : text) {
        if (digit < L'0' || digit > L'9') {
            return false;
        }
        const unsigned units = static_cast<unsigned>(digit - L'0');
        if (units > largest || value > (largest - units) / 10) {
            return false;
        }
        value = value * 10 + units;
    }
    return true;
}

std::wstring numbered(const std::wstring& destination, const wchar_t* mark, unsigned attempt) {
    std::wstring name = destination + mark;
    if (attempt > 0) {
        name += wideDecimalText(attempt + 1);
    }
    return name;
}

std::vector<std::wstring> fieldsOf(const std::wstring& line) {
    std::vector<std::wstring> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find(L'\t', start);
        fields.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
        if (tab == std::wstring::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

// Whether `name` is `destination` with `mark` and an optional number from 2:
// the only names the copy ever gives its staged and kept files.
bool isBeside(const std::wstring& name, const std::wstring& destination, const wchar_t* mark) {
    const std::wstring prefix = destination + mark;
    if (name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    // The plan's numbers start at 2; any from 1 to nine digits is read.
    const std::wstring number = name.substr(prefix.size());
    std::uint64_t attempt = 0;
    return number.empty() || (numberOf(number, 999999999, attempt) && attempt > 0);
}

// A destination must be a name the settings could have listed, and the
// staged and kept names must sit beside it: a journal that names anything
// else was not written by this program and is never followed.
bool namesStayBeside(const JournalEntry& entry) {
    if (entry.destination.empty() || !destinationStaysInside(entry.destination)) {
        return false;
    }
    if (!isBeside(entry.staged, entry.destination, stagedMark)) {
        return false;
    }
    return !entry.replaces() || isBeside(entry.kept, entry.destination, keptMark);
}

// Splits the text into lines; false when the last one is not ended (the
// write was cut short).
bool linesOf(const std::wstring& text, std::vector<std::wstring>& lines) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            return false;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

// One entry line; false when it is none.
bool entryOf(const std::wstring& line, JournalEntry& entry) {
    const std::vector<std::wstring> fields = fieldsOf(line);
    if (fields.size() == 3 && fields[0] == L"new") {
        entry = {fields[2], fields[1], std::wstring()};
        return true;
    }
    if (fields.size() == 4 && fields[0] == L"replace" && !fields[3].empty()) {
        entry = {fields[2], fields[1], fields[3]};
        return true;
    }
    return false;
}

// One identity line, stored with its entry; false when it is none, names no
// entry, or says again what an earlier line said (a "made" line may precede
// its "staged" one, with the same volume and index).
bool identityOf(const std::wstring& line, Journal& journal) {
    const std::vector<std::wstring> fields = fieldsOf(line);
    const bool made = fields.size() == 4 && fields[0] == madeWord;
    const bool whole = fields.size() == 6 && (fields[0] == stagedWord || fields[0] == keptWord);
    std::uint64_t entry = 0;
    if ((!made && !whole) || journal.entries.empty() || !numberOf(fields[1], journal.entries.size() - 1, entry)) {
        return false;
    }
    constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    FileIdentity identity;
    std::uint64_t volume = 0;
    if (!numberOf(fields[2], std::numeric_limits<std::uint32_t>::max(), volume) ||
        !numberOf(fields[3], most, identity.index) ||
        (whole && (!numberOf(fields[4], most, identity.size) || !numberOf(fields[5], most, identity.lastWrite)))) {
        return false;
    }
    identity.volume = static_cast<std::uint32_t>(volume);
    JournalEntry& named = journal.entries[entry];
    if (fields[0] == keptWord) {
        if (!named.replaces() || named.keptFile.known != RecordedFile::Known::nothing) {
            return false;
        }
        named.keptFile = {RecordedFile::Known::whole, identity};
        return true;
    }
    RecordedFile& staged = named.stagedFile;
    if (made) {
        if (staged.known != RecordedFile::Known::nothing) {
            return false;
        }
    } else if (staged.known == RecordedFile::Known::whole ||
               (staged.known == RecordedFile::Known::made &&
                (staged.identity.volume != identity.volume || staged.identity.index != identity.index))) {
        return false;
    }
    staged = {made ? RecordedFile::Known::made : RecordedFile::Known::whole, identity};
    return true;
}

// Every move of a complete commit was recorded before it was made: the
// staged files whole, and each file moved aside.
bool everyMoveRecorded(const Journal& journal) {
    for (const JournalEntry& entry : journal.entries) {
        if (entry.stagedFile.known != RecordedFile::Known::whole ||
            (entry.replaces() && entry.keptFile.known != RecordedFile::Known::whole)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool RecordedFile::recognises(const FileIdentity& found) const {
    switch (known) {
    case Known::nothing:
        return false;
    case Known::made:
        return found.volume == identity.volume && found.index == identity.index;
    case Known::whole:
        return found == identity;
    }
    return false;
}

std::wstring stagedNameOf(const std::wstring& destination, unsigned attempt) {
    return numbered(destination, stagedMark, attempt);
}

std::wstring keptNameOf(const std::wstring& destination, unsigned attempt) {
    return numbered(destination, keptMark, attempt);
}

std::wstring journalText(const Journal& journal) {
    std::wstring text = std::wstring(firstLine) + L"\n";
    for (const JournalEntry& entry : journal.entries) {
        if (entry.replaces()) {
            text += L"replace\t" + entry.staged + L"\t" + entry.destination + L"\t" + entry.kept + L"\n";
        } else {
            text += L"new\t" + entry.staged + L"\t" + entry.destination + L"\n";
        }
    }
    text += std::wstring(lastEntryLine) + L"\n";
    wchar_t line[identityLineRoom];
    for (std::size_t i = 0; i < journal.entries.size(); ++i) {
        text += identityLine(IdentityRole::staged, i, journal.entries[i].stagedFile, line);
        text += identityLine(IdentityRole::kept, i, journal.entries[i].keptFile, line);
    }
    if (journal.committed) {
        text += journalCommittedLine;
    }
    return text;
}

std::wstring_view identityLine(IdentityRole role, std::size_t entry, const RecordedFile& file,
                               wchar_t (&line)[identityLineRoom]) {
    if (file.known == RecordedFile::Known::nothing ||
        (role == IdentityRole::kept && file.known != RecordedFile::Known::whole)) {
        return {};
    }
    const bool whole = file.known == RecordedFile::Known::whole;
    const wchar_t* word = role == IdentityRole::kept ? keptWord : whole ? stagedWord : madeWord;
    wchar_t* at = line;
    const auto field = [&at](std::uint64_t value) {
        *at++ = L'\t';
        at = writeWideDecimal(value, at);
    };
    at += std::wcslen(word);
    std::wmemcpy(line, word, static_cast<std::size_t>(at - line));
    field(entry);
    field(file.identity.volume);
    field(file.identity.index);
    if (whole) {
        field(file.identity.size);
        field(file.identity.lastWrite);
    }
    *at++ = L'\n';
    return std::wstring_view(line, static_cast<std::size_t>(at - line));
}

JournalReading readJournal(const std::wstring& text, Journal& journal) {
    journal = Journal();
    std::vector<std::wstring> lines;
    if (!linesOf(text, lines) || lines.size() < 2 || lines[0] != firstLine) {
        return JournalReading::unreadable;
    }
    std::size_t i = 1;
    for (; i < lines.size() && lines[i] != lastEntryLine; ++i) {
        JournalEntry entry;
        if (!entryOf(lines[i], entry)) {
            return JournalReading::unreadable;
        }
        journal.entries.push_back(entry);
    }
    if (i == lines.size()) {
        return JournalReading::unreadable;  // no "end": the first write never finished
    }
    for (++i; i < lines.size() && lines[i] != committedWord; ++i) {
        if (!identityOf(lines[i], journal)) {
            return JournalReading::unreadable;
        }
    }
    if (i < lines.size()) {
        journal.committed = true;
        ++i;
    }
    if (i != lines.size() || (journal.committed && !everyMoveRecorded(journal))) {
        return JournalReading::unreadable;
    }
    for (const JournalEntry& entry : journal.entries) {
        if (!namesStayBeside(entry)) {
            return JournalReading::foreign;
        }
    }
    return JournalReading::followed;
}
