#include "tests/driver/ProgramProcess.h"

#include "tests/driver/ProgramWindows.h"

namespace {

// CreateProcessW, tried again when Wine's loader could not start the new
// process: Wine then reports ERROR_INTERNAL_ERROR (seen once in a full run
// on a busy 2-core machine; the same tool started in every other test). No
// program under test is at fault there, and any other error is returned at
// once.
BOOL createProcess(std::wstring& commandLine, BOOL inherit, const std::wstring& folder, STARTUPINFOW& startup,
                   PROCESS_INFORMATION& created) {
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, inherit, 0, nullptr,
                           folder.empty() ? nullptr : folder.c_str(), &startup, &created)) {
            return TRUE;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 3) {
            SetLastError(error);
            return FALSE;
        }
        Sleep(200);
    }
}

}  // namespace

ProgramProcess::ProgramProcess(const std::wstring& path, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    adopt(createProcess(commandLine, FALSE, folder, startup, created), created);
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

namespace {

// Everything from a pipe's read end until its last writer closes it.
// What the tool wrote to `pipe`, read until it has ended and the pipe
// holds nothing more; nothing after `deadline` (GetTickCount64). Not to the
// pipe's end: a Wine process the tool starts on the way (the desktop's
// explorer.exe, when none runs) inherits the write end and keeps it open
// long after the tool has ended.
std::string readUntilEnded(HANDLE pipe, HANDLE process, ULONGLONG deadline) {
    std::string text;
    char buffer[4096];
    while (GetTickCount64() < deadline) {
        const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
            break;  // every write end is closed
        }
        if (available == 0) {
            if (ended) {
                break;  // all it wrote was in the pipe before it ended
            }
            WaitForSingleObject(process, 10);
            continue;
        }
        DWORD read = 0;
        if (!ReadFile(pipe, buffer, available < sizeof buffer ? available : sizeof buffer, &read, nullptr) ||
            read == 0) {
            break;
        }
        text.append(buffer, read);
    }
    return text;
}

}  // namespace

ConsoleRun runConsoleTool(std::wstring commandLine, const std::wstring& folder, ErrorStream errors) {
    ConsoleRun run;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE ends[4] = {};
    // Standard error, kept apart, is read after standard output: its pipe
    // holds all of it.
    if (!CreatePipe(&ends[0], &ends[1], &inheritable, 0) ||
        (errors == ErrorStream::apart && !CreatePipe(&ends[2], &ends[3], &inheritable, 1 << 16))) {
        run.startError = GetLastError();
        return run;
    }
    UniqueHandle reader(ends[0]);
    UniqueHandle writer(ends[1]);
    UniqueHandle errorReader(ends[2]);
    UniqueHandle errorWriter(ends[3]);
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
    if (errorReader.valid()) {
        SetHandleInformation(errorReader.get(), HANDLE_FLAG_INHERIT, 0);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer.get();
    startup.hStdError = errorWriter.valid() ? errorWriter.get() : writer.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION created{};
    if (!createProcess(commandLine, TRUE, folder, startup, created)) {
        run.startError = GetLastError();
        return run;
    }
    UniqueHandle process(created.hProcess);
    UniqueHandle thread(created.hThread);
    // Only the tool (and what it starts) holds the write ends now.
    writer.reset();
    errorWriter.reset();
    const ULONGLONG deadline = GetTickCount64() + 60000;
    run.output = readUntilEnded(reader.get(), process.get(), deadline);
    if (errorReader.valid()) {
        run.errors = readUntilEnded(errorReader.get(), process.get(), deadline);
    }
    const ULONGLONG now = GetTickCount64();
    run.ended = WaitForSingleObject(process.get(), now < deadline ? static_cast<DWORD>(deadline - now) : 0) ==
                WAIT_OBJECT_0;
    GetExitCodeProcess(process.get(), &run.exitCode);
    return run;
}
