#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "core/HandleOwners.h"

namespace {

// Empties the folder; the search is closed when this returns, so that the
// folder itself can then be removed.
void removeContents(const std::string& folder) {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (search.valid()) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string child = folder + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeContents(child);
                RemoveDirectoryA(child.c_str());
            } else {
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search.get(), &found));
    }
}

std::string userTemporaryFolder() {
    char base[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, base);
    EXPECT_GT(length, 0u);
    return std::string(base, length);
}

}  // namespace

TempFolder::TempFolder() : TempFolder(userTemporaryFolder()) {}

TempFolder::TempFolder(const std::string& parent) {
    static std::atomic<unsigned> counter{0};
    for (;;) {
        path_ = parent + "patchtest-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(counter++);
        if (CreateDirectoryA(path_.c_str(), nullptr)) {
            break;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "can't create " << path_ << ": error " << error;
            break;
        }
    }
}

TempFolder::~TempFolder() {
    removeContents(path_);
    RemoveDirectoryA(path_.c_str());
}

std::string TempFolder::file(const std::string& name) const { return path_ + "\\" + name; }

std::string TempFolder::write(const std::string& name, const std::string& bytes) const {
    const std::string target = file(name);
    UniqueHandle out(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    EXPECT_TRUE(out.valid()) << target;
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    EXPECT_EQ(written, bytes.size());
    return target;
}

std::string readWholeFile(const std::string& path) {
    UniqueHandle in(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(in.valid()) << path;
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

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search.valid()) {
        return names;
    }
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search.get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}
