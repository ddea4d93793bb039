#include "tests/release/ShippedFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tests/support/TestOwners.h"

namespace {

template <typename T>
T readAt(const std::string& bytes, std::size_t offset) {
    T value{};
    if (offset + sizeof value <= bytes.size()) {
        std::memcpy(&value, bytes.data() + offset, sizeof value);
    } else {
        ADD_FAILURE() << "the data ends before offset " << offset + sizeof value;
    }
    return value;
}

std::vector<char> versionBlock(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
        ADD_FAILURE() << utf8(path) << " has no version resource";
        block.clear();
    }
    return block;
}

// The headers' RT_ICON and RT_GROUP_ICON follow their ANSI or Unicode choice.
const LPCWSTR iconType = MAKEINTRESOURCEW(3);
const LPCWSTR iconGroupType = MAKEINTRESOURCEW(14);

VersionNumbers parts(DWORD high, DWORD low) {
    return {HIWORD(high), LOWORD(high), HIWORD(low), LOWORD(low)};
}

}  // namespace

std::string resourceBytes(const std::wstring& path, LPCWSTR type, LPCWSTR name, WORD language) {
    LoadedModule module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    const DWORD error = GetLastError();
    if (!module.valid()) {
        ADD_FAILURE() << utf8(path) << " could not be loaded as data (error " << error << ")";
        return {};
    }
    HRSRC found = FindResourceExW(module.get(), type, name, language);
    if (found == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module.get(), found)));
    return bytes == nullptr ? std::string() : std::string(bytes, SizeofResource(module.get(), found));
}

std::string groupIconImage(const std::wstring& path, WORD group) {
    // GRPICONDIR: reserved, type, count; then 14-byte entries whose last
    // field is the id of the RT_ICON that holds the image.
    const std::string directory = resourceBytes(path, iconGroupType, MAKEINTRESOURCEW(group));
    if (directory.size() < 6 + 14 || readAt<WORD>(directory, 4) == 0) {
        ADD_FAILURE() << utf8(path) << " has no icon group " << group;
        return {};
    }
    const WORD iconId = readAt<WORD>(directory, 6 + 12);
    return resourceBytes(path, iconType, MAKEINTRESOURCEW(iconId));
}

std::wstring versionText(const std::wstring& path, const wchar_t* field) {
    std::vector<char> block = versionBlock(path);
    const std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + field;
    void* text = nullptr;
    UINT length = 0;
    if (block.empty() || !VerQueryValueW(block.data(), query.c_str(), &text, &length) || text == nullptr) {
        return L"";
    }
    return static_cast<const wchar_t*>(text);
}

FixedVersions fixedVersions(const std::wstring& path) {
    std::vector<char> block = versionBlock(path);
    void* data = nullptr;
    UINT length = 0;
    if (block.empty() || !VerQueryValueW(block.data(), L"\\", &data, &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        ADD_FAILURE() << utf8(path) << " has no fixed version information";
        return {};
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(data);
    return {parts(fixed->dwFileVersionMS, fixed->dwFileVersionLS),
            parts(fixed->dwProductVersionMS, fixed->dwProductVersionLS)};
}

std::wstring fromUtf8(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::wstring fromUtf8(const char8_t* text) {
    return fromUtf8(std::string(reinterpret_cast<const char*>(text)));
}

std::string settingsBytes(const std::string& utf8Text) {
    std::wstring text = fromUtf8(utf8Text);
    if (!text.empty() && text.front() == 0xFEFF) {
        text.erase(0, 1);
    }
    std::wstring lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            lines += L"\r\n";
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                ++i;
            }
        } else {
            lines += text[i];
        }
    }
    if (!lines.empty() && lines.back() != L'\n') {
        lines += L"\r\n";
    }
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, lines.data(), static_cast<int>(lines.size()),
                                         nullptr, 0, nullptr, &lossy);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, lines.data(), static_cast<int>(lines.size()), bytes.data(), size,
                        nullptr, &lossy);
    EXPECT_FALSE(lossy) << "the expected text has no code page 932 form";
    return bytes;
}
