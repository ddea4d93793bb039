#include "core/ToolCommandLine.h"

#include <windows.h>

#include <shellapi.h>

std::vector<std::wstring> toolArguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    wchar_t** const words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) {
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        arguments.emplace_back(words[i]);
    }
    LocalFree(words);
    return arguments;
}

std::wstring fullPathOf(const std::wstring& path) {
    // A path can be longer than MAX_PATH: the call then says how much room
    // it needs.
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::wstring buffer(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, buffer.data(), nullptr);
    if (length == 0 || length >= needed) {
        return path;
    }
    buffer.resize(length);
    while (buffer.size() > 3 && (buffer.back() == L'\\' || buffer.back() == L'/')) {
        buffer.pop_back();
    }
    return buffer;
}
