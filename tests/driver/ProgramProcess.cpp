#include "tests/driver/ProgramProcess.h"

#include "tests/driver/ProgramWindows.h"

ProgramProcess::ProgramProcess(const std::string& path) {
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    adopt(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &created),
          created);
}

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

std::string backslashed(std::string path) {
    for (char& byte : path) {
        if (byte == '/') {
            byte = '\\';
        }
    }
    return path;
}

std::string hostPathInWine(const std::string& hostPath) { return backslashed("Z:" + hostPath); }
