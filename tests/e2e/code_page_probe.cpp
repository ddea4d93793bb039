// Ends with the ANSI code page it was given. It carries the patch program's
// own manifest (code_page_probe.rc), so that the end-to-end tests can tell
// which code page the Wine locale of their run gives the program.
#include <windows.h>

int main() { return static_cast<int>(GetACP()); }
