#include "copy/journal.h"

#include "core/decimal_text.h"
#include "core/destination_rule.h"

namespace {

constexpr wchar_t firstLine[] = L"patch journal 1";
constexpr wchar_t lastEntryLine[] = L"end";
constexpr wchar_t committedWord[] = L"committed";

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
    const std::wstring number = name.substr(prefix.size());
    if (number.empty()) {
        return true;
    }
    if (number.size() > 9 || number[0] == L'0') {
        return false;
    }
    for (const wchar_t digit : number) {
        if (digit < L'0' || digit > L'9') {
            return false;
        }
    }
    return true;
}

// A destination must be a name the settings could have listed, and the
// staged and kept names must sit beside it: a journal that names anything
// else was not written by this program and is never followed.
bool namesStayBeside(const JournalEntry& entry) {
    if (entry.destination.empty() || !destinationStaysInside(entry.destination)) {
        return false;
    }
    if (!isBeside(entry.staged, entry.destination, L"~new")) {
        return false;
    }
    return !entry.replaces() || isBeside(entry.kept, entry.destination, L"~old");
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

}  // namespace

std::wstring stagedNameOf(const std::wstring& destination, unsigned attempt) {
    return numbered(destination, L"~new", attempt);
}

std::wstring keptNameOf(const std::wstring& destination, unsigned attempt) {
    return numbered(destination, L"~old", attempt);
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
    if (journal.committed) {
        text += journalCommittedLine;
    }
    return text;
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
    ++i;
    if (i < lines.size() && lines[i] == committedWord) {
        journal.committed = true;
        ++i;
    }
    if (i != lines.size()) {
        return JournalReading::unreadable;
    }
    for (const JournalEntry& entry : journal.entries) {
        if (!namesStayBeside(entry)) {
            return JournalReading::foreign;
        }
    }
    return JournalReading::followed;
}
