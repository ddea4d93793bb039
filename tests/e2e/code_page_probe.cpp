// Ends with the ANSI code page it was given: a program without a manifest
// that chooses one, so that the end-to-end tests can tell which code page
// the Wine locale of their run gives the programs that do not choose.
#include <windows.h>

int main() { return static_cast<int>(GetACP()); }
