// The line rules of a settings text. Byte-wise: no code page 932 trail byte
// is CR, LF or Ctrl-Z, so a break never falls inside a double-byte character.
#include "settings/settings_text.h"

#include <new>

namespace {

constexpr unsigned char carriageReturn = 0x0D;
constexpr unsigned char lineFeed = 0x0A;
constexpr unsigned char endOfText = 0x1A;  // Ctrl-Z: nothing after it is read

}  // namespace

int SettingsText::readMemory(const void* data, std::size_t size) {
    return splitLines(static_cast<const unsigned char*>(data), size);
}

int SettingsText::splitLines(const unsigned char* data, std::size_t size) {
    // Split into a list of its own first, so that running out of memory
    // half-way leaves the lines held so far untouched.
    std::vector<std::string> split;
    try {
        auto appendLine = [&](std::size_t from, std::size_t to) {
            split.emplace_back(reinterpret_cast<const char*>(data + from), to - from);
        };
        std::size_t start = 0;
        std::size_t i = 0;
        bool endedByCtrlZ = false;
        while (i < size) {
            const unsigned char byte = data[i];
            if (byte == carriageReturn || byte == lineFeed) {
                appendLine(start, i);
                const bool pair = byte == carriageReturn && i + 1 < size && data[i + 1] == lineFeed;
                i += pair ? 2 : 1;
                start = i;
            } else if (byte == endOfText) {
                appendLine(start, i);
                endedByCtrlZ = true;
                break;
            } else {
                ++i;
            }
        }
        if (!endedByCtrlZ && start < size) {
            appendLine(start, size);
        }
        lines_.reserve(lines_.size() + split.size());
    } catch (const std::bad_alloc&) {
        return settingsNoMemory;
    }
    // Moving strings into reserved room cannot throw.
    for (std::string& line : split) {
        lines_.push_back(std::move(line));
    }
    return settingsReadOk;
}
