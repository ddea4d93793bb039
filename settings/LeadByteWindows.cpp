#include <windows.h>

#include "settings/lead_byte.h"

bool isLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}
