#include "settings/byte_scan.h"

#include <cstddef>
#include <cstring>

#include "settings/lead_byte.h"

namespace {

bool leadByteAt(const char* text, std::size_t i) {
    return isLeadByte(static_cast<unsigned char>(text[i]));
}

// The command line without the quotation mark that may open it.
const char* programPathStart(const char* commandLine) {
    return commandLine[0] == '"' ? commandLine + 1 : commandLine;
}

// Index of the last backslash before the first quotation mark, or -1.
std::ptrdiff_t lastBackslashOf(const char* path) {
    const std::size_t length = std::strlen(path);
    std::ptrdiff_t last = -1;
    std::size_t i = 0;
    while (i < length) {
        if (leadByteAt(path, i)) {
            i += 2;  // may step onto the terminator, which ends the loop
            continue;
        }
        if (path[i] == '"') {
            break;
        }
        if (path[i] == '\\') {
            last = static_cast<std::ptrdiff_t>(i);
        }
        ++i;
    }
    return last;
}

}  // namespace

std::size_t firstCommaOf(const std::string& line) {
    for (std::size_t i = 0; i < line.size();) {
        if (leadByteAt(line.c_str(), i)) {
            i += 2;
        } else if (line[i] == ',') {
            return i;
        } else {
            ++i;
        }
    }
    return std::string::npos;
}

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string comparableName(std::string name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (leadByteAt(name.c_str(), i)) {
            ++i;
        } else if (name[i] == '/') {
            name[i] = '\\';
        } else {
            name[i] = upperAscii(name[i]);
        }
    }
    return name;
}

std::string folderPartOf(const std::string& name) {
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (leadByteAt(name.c_str(), i)) {
            ++i;
        } else if (name[i] == '\\' || name[i] == '/') {
            last = i;
        }
    }
    return last == std::string::npos ? std::string() : name.substr(0, last);
}

int findChar(const char* text, char c) {
    for (int i = 0; text[i] != '\0';) {
        if (leadByteAt(text, i)) {
            if (text[i + 1] == '\0') {
                return -1;
            }
            i += 2;
        } else if (text[i] == c) {
            return i;
        } else {
            ++i;
        }
    }
    return -1;
}

std::string programFolderOf(const char* commandLine) {
    const char* path = programPathStart(commandLine);
    const std::ptrdiff_t last = lastBackslashOf(path);
    return last < 0 ? std::string() : std::string(path, static_cast<std::size_t>(last));
}

std::string programBaseNameOf(const char* commandLine) {
    const char* path = programPathStart(commandLine);
    const char* rest = path + (lastBackslashOf(path) + 1);
    const std::size_t length = std::strlen(rest);
    std::size_t i = 0;
    while (i < length) {
        if (leadByteAt(rest, i)) {
            i += 2;
            continue;
        }
        if (rest[i] == '"' || rest[i] == '.') {
            break;
        }
        ++i;
    }
    // A name that starts with its full stop (".exe") is kept whole rather
    // than made empty.
    if (i == 0 || i >= length) {
        return std::string(rest);
    }
    return std::string(rest, i);
}

std::string installFolderFromValue(const char* value) {
    // Just past the last real backslash; restarting findChar after each one
    // keeps the scan in step with the double-byte characters.
    std::size_t pastLastBackslash = 0;
    for (;;) {
        const int found = findChar(value + pastLastBackslash, '\\');
        if (found < 0) {
            break;
        }
        pastLastBackslash += static_cast<std::size_t>(found) + 1;
    }
    const std::size_t length = std::strlen(value);
    if (pastLastBackslash == length && length > 3) {
        return std::string(value, length - 1);
    }
    return std::string(value);
}
