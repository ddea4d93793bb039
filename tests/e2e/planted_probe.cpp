// Loads each planted DLL by its bare name, with the system's default search
// order and no defence of its own: it proves that the Wine of the test run
// really takes a DLL from beside the program when told to, so that a test
// which sees no marker from the patch program means something.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* names = PATCH_PLANTED_DLLS;  // "version,uxtheme,..."
    char name[64];
    int loaded = 0;
    while (*names != '\0') {
        int length = 0;
        while (names[length] != '\0' && names[length] != ',' && length < 50) {
            name[length] = names[length];
            ++length;
        }
        lstrcpyA(name + length, ".dll");
        names += length;
        if (*names == ',') {
            ++names;
        }
        if (LoadLibraryA(name) != nullptr) {
            ++loaded;
        }
    }
    return loaded;
}
