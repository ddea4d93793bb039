#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "core/FileProbe.h"
#include "core/HandleOwners.h"
#include "tests/driver/ProgramProcess.h"

namespace {

// Empties the folder; the search is closed when this returns, so that the
// folder itself can then be removed.
void removeContents(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (search.valid()) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = folder + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeContents(child);
                RemoveDirectoryW(child.c_str());
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search.get(), &found));
    }
}

std::wstring userTemporaryFolder() {
    wchar_t base[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, base);
    EXPECT_GT(length, 0u);
    return std::wstring(base, length);
}

}  // namespace

std::string utf8(const std::wstring& text) { return utf8FromUtf16(text); }

TempFolder::TempFolder() : TempFolder(userTemporaryFolder()) {}

TempFolder::TempFolder(const std::wstring& parent) {
    static std::atomic<unsigned> counter{0};
    for (;;) {
        path_ = parent + L"patchtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
        if (CreateDirectoryW(path_.c_str(), nullptr)) {
            break;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "can't create " << utf8(path_) << ": error " << error;
            break;
        }
    }
}

TempFolder::~TempFolder() {
    removeContents(path_);
    RemoveDirectoryW(path_.c_str());
}

std::wstring TempFolder::file(const std::wstring& name) const { return path_ + L"\\" + name; }

std::wstring TempFolder::write(const std::wstring& name, const std::string& bytes) const {
    const std::wstring target = file(name);
    UniqueHandle out(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    EXPECT_TRUE(out.valid()) << utf8(target);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    EXPECT_EQ(written, bytes.size());
    return target;
}

std::string readWholeFile(const std::wstring& path) {
    UniqueHandle in(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(in.valid()) << utf8(path);
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (in.valid() && ReadFile(in.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
        bytes.append(chunk, got);
    }
    return bytes;
}

std::string patternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

std::vector<std::wstring> namesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const NameInFolder& found : namesInFolder(folder)) {
        names.push_back(found.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring shortNameOf(const std::wstring& path) {
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return std::wstring();
    }
    buffer.resize(length);
    return buffer.substr(buffer.rfind(L'\\') + 1);
}
