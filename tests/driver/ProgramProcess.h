// One start of a program, as a user starts it, and the paths of the build
// host's files as a Wine process names them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "core/HandleOwners.h"

// Ended by force should it still run when this goes, so that a program
// never keeps its single-instance name for whatever runs next.
class ProgramProcess {
public:
    // Started as a user's double click does: the path quoted, nothing more;
    // in `folder`, or in this process's current folder when that is empty.
    // UTF-16, so that a path need not fit any code page.
    explicit ProgramProcess(const std::wstring& path, const std::wstring& folder = L"");
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool started() const { return process_.valid(); }
    // Why it could not be started (GetLastError), 0 when it was.
    DWORD startError() const { return startError_; }
    DWORD processId() const { return processId_; }
    // Whether it was started and has not ended yet.
    bool running() const;
    // The exit code once the process has ended, or nothing after the timeout.
    std::optional<DWORD> exitCode(DWORD timeoutMs);
    // Ends it with `code` (when it still runs) and waits until it has ended.
    void terminate(UINT code);

private:
    void adopt(BOOL created, const PROCESS_INFORMATION& info);

    UniqueHandle process_;
    DWORD processId_ = 0;
    DWORD startError_ = 0;
};

// What a console tool (patch-check, patch-make) printed, and how it ended.
struct ConsoleRun {
    DWORD startError = 0;  // GetLastError when it could not be started; 0 when it was
    bool ended = false;    // within the minute given to it
    DWORD exitCode = 99;
    std::string output;  // standard output, and standard error too when merged
    std::string errors;  // standard error, when kept apart
};

enum class ErrorStream { apart, merged };

// Runs a console tool's command line in `folder` (this process's current
// folder when empty) with its output on pipes, and waits for its end.
ConsoleRun runConsoleTool(std::wstring commandLine, const std::wstring& folder, ErrorStream errors);

// A path with every slash turned into a backslash.
std::wstring backslashed(std::wstring path);

// UTF-16 of a UTF-8 text.
std::wstring utf16FromUtf8(const std::string& text);

// UTF-8 of a UTF-16 text, for consoles and logs.
std::string utf8FromUtf16(const std::wstring& text);

// Writes one line to standard output as UTF-8: the program's texts arrive as
// UTF-16, whatever the console's code page.
void printLine(const std::wstring& line);

// A file of the build host, named in UTF-8 as the build hands it over, as
// this Wine process names it (drive Z:).
std::wstring hostPathInWine(const std::string& hostPath);
