#include "tests/support/UnixLink.h"


bool startUnixCommand(const std::wstring& folder, std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &created)) {
        return false;
    }
    CloseHandle(created.hThread);
    CloseHandle(created.hProcess);
    return true;
}

namespace {

// Waits up to 10 s for `done`.
template <typename Condition>
bool waitFor(Condition done) {
    for (int i = 0; i < 1000; ++i) {
        if (done()) {
            return true;
        }
        Sleep(10);
    }
    return done();
}

// The name with Unix separators, for the Unix command line.
std::wstring unixName(std::wstring name) {
    for (wchar_t& character : name) {
        if (character == L'\\') {
            character = L'/';
        }
    }
    return name;
}

}  // namespace

UnixLink::UnixLink(const std::wstring& folder, const std::wstring& name, const std::wstring& target)
    : folder_(folder), name_(name) {
    if (startUnixCommand(folder_, L"/bin/ln -s \"" + target + L"\" \"" + unixName(name_) + L"\"")) {
        waitFor([this] { return made(); });
    }
}

UnixLink::~UnixLink() {
    if (startUnixCommand(folder_, L"/bin/rm -f \"" + unixName(name_) + L"\"")) {
        waitFor([this] { return GetFileAttributesW(path().c_str()) == INVALID_FILE_ATTRIBUTES; });
    }
}

bool UnixLink::made() const {
    const DWORD attributes = GetFileAttributesW(path().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
