#include "tests/driver/ProgramProcess.h"

#include "tests/driver/ProgramWindows.h"

ProgramProcess::ProgramProcess(const std::wstring& path, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    adopt(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         folder.empty() ? nullptr : folder.c_str(), &startup, &created),
          created);
}

void ProgramProcess::adopt(BOOL created, const PROCESS_INFORMATION& info) {
    if (!created) {
        startError_ = GetLastError();
        return;
    }
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
}

ProgramProcess::~ProgramProcess() { terminate(99); }

bool ProgramProcess::running() const {
    return started() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ProgramProcess::exitCode(DWORD timeoutMs) {
    if (!started() || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ProgramProcess::terminate(UINT code) {
    if (running()) {
        TerminateProcess(process_.get(), code);
        WaitForSingleObject(process_.get(), windowTimeoutMs);
    }
}

std::wstring backslashed(std::wstring path) {
    for (wchar_t& unit : path) {
        if (unit == L'/') {
            unit = L'\\';
        }
    }
    return path;
}

std::wstring utf16FromUtf8(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), units);
    return wide;
}

std::string utf8FromUtf16(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

void printLine(const std::wstring& line) {
    const std::string bytes = utf8FromUtf16(line + L"\n");
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring hostPathInWine(const std::string& hostPath) { return backslashed(L"Z:" + utf16FromUtf8(hostPath)); }
