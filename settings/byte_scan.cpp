#include "settings/byte_scan.h"

#include "settings/lead_byte.h"

int findChar(const char* text, char c) {
    for (int i = 0; text[i] != '\0';) {
        if (isLeadByte(static_cast<unsigned char>(text[i]))) {
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
