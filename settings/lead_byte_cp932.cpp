#include "settings/lead_byte.h"

// Lead bytes of code page 932 (Shift_JIS as Windows extends it).
bool isLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
