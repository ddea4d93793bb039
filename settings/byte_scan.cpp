#include "settings/byte_scan.h"

#include <cstddef>
#include <cstring>

#include "settings/lead_byte.h"

namespace {

bool leadByteAt(const char* text, std::size_t i) {
    return isLeadByte(static_cast<unsigned char>(text[i]));
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
