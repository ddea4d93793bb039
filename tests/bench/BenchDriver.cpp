// Measures the patch program's copy against its floor (CopyFloor.cpp), side by
// side: scripts/bench runs it, and a quick run of it is a ctest smoke test.
//
//   bench_driver.exe PROGRAM FLOOR WORK_FOLDER [--quick] [--rounds N]
//
// PROGRAM is the patch program, FLOOR the floor; paths of the build host
// ("/...") are taken as Wine's drive Z:. In WORK_FOLDER (made anew) each case
// gets a patch folder (the program, its settings file listing the files, the
// new files) and a floor folder (the floor and its list), and before every
// run a fresh game folder holding the executable and old versions of every
// file; the game's registry entry names it. Both are driven the same way:
// started, Run pressed, "完了" awaited and pressed, the exit awaited (code
// 1). Wall time runs from the start to the exit; the private bytes are
// sampled while it runs; the copy's own time runs from Run pressed to "完了"
// shown. A third contender is the same program carrying a table of digests
// of the case's files (as patch-make writes it), in a patch folder of its
// own: each of its files is hashed as it is copied. Two more are measured in
// this process, against what the system does with the same bytes: the
// system's durable copy (CopyFileW of each file over the same old file the
// program replaces, then FlushFileBuffers on the copy), and the hash alone
// (SHA-256 of the same files through the same BCrypt calls, read 1 MiB at a
// time). The five take turns, each first in its own rounds, after one
// uncounted warm-up run of each.
//
// Cases: one 256 MiB file, and 1,000 files of 4 KB (--quick: 1 MiB and 20
// files, one round). Prints each run, then per case the medians of each and
// the ratios the copy is judged by. Exit code 0 when every run copied every
// file; no figure is judged.
#include <windows.h>

#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/GameRegistryView.h"
#include "core/HandleOwners.h"
#include "core/Sha256.h"
#include "settings/digest_table.h"
#include "resources/resource_ids.h"
#include "tests/driver/ProgramProcess.h"
#include "tests/driver/ProgramWindows.h"

namespace {

constexpr DWORD copyWaitMs = 600000;
constexpr DWORD exitWaitMs = 60000;

const wchar_t* const registryKey = L"SOFTWARE\\計測用ソフト社\\計測ゲーム";
const wchar_t* const companyKey = L"SOFTWARE\\計測用ソフト社";

void print(const std::wstring& line) { printLine(line); }

std::wstring windowsPath(std::wstring path) {
    if (!path.empty() && path[0] == L'/') {
        path = L"Z:" + path;
    }
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring fixed(double value, int decimals) {
    wchar_t text[64];
    std::swprintf(text, 64, L"%.*f", decimals, value);
    return text;
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    DWORD written = 0;
    return file.valid() &&
           WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string readFile(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return "<missing>";
    }
    std::string bytes(static_cast<std::size_t>(GetFileSize(file.get(), nullptr)), '\0');
    DWORD read = 0;
    ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

// A folder and everything in it.
void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// Bytes of one version of a file: distinct per file and per version.
std::string contentOf(std::size_t index, std::size_t size, char version) {
    std::string bytes(size, '\0');
    std::uint32_t state = static_cast<std::uint32_t>(index * 2654435761u) ^ static_cast<unsigned char>(version);
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

struct Case {
    std::wstring name;
    std::size_t count;
    std::size_t size;
    std::wstring folder;  // WORK\<key>
    std::vector<std::wstring> fileNames;
};

std::wstring gameFolderOf(const Case& c) { return c.folder + L"\\game"; }

// Writes the table of digests of `entries` into the program at `path`, as
// patch-make does.
bool writeTable(const std::wstring& path, const std::vector<DigestEntry>& entries) {
    const std::string table = digestTableText(entries);
    HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
    if (update == nullptr) {
        return false;
    }
    const BOOL done = UpdateResourceW(update, digestTableResourceType, MAKEINTRESOURCEW(IDR_DIGEST_TABLE),
                                      MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), const_cast<char*>(table.data()),
                                      static_cast<DWORD>(table.size()));
    return EndUpdateResourceW(update, done ? FALSE : TRUE) && done;
}

// The patch folder (program, settings file, new files), the same with the
// program carrying the table of digests, and the floor folder (floor, its
// list). The settings name the game by its registry key.
bool preparePatch(Case& c, const std::wstring& program, const std::wstring& floor) {
    const std::wstring patch = c.folder + L"\\patch";
    const std::wstring tabled = c.folder + L"\\patch-table";
    const std::wstring floorFolder = c.folder + L"\\floor";
    if (!CreateDirectoryW(c.folder.c_str(), nullptr) || !CreateDirectoryW(patch.c_str(), nullptr) ||
        !CreateDirectoryW(tabled.c_str(), nullptr) || !CreateDirectoryW(floorFolder.c_str(), nullptr)) {
        return false;
    }
    if (!CopyFileW(program.c_str(), (patch + L"\\patch.exe").c_str(), FALSE) ||
        !CopyFileW(program.c_str(), (tabled + L"\\patch.exe").c_str(), FALSE) ||
        !CopyFileW(floor.c_str(), (floorFolder + L"\\copy_floor.exe").c_str(), FALSE)) {
        return false;
    }
    std::vector<DigestEntry> digests;
    // Code page 932, as a publisher writes it.
    std::string settings = "キャプション,計測\r\n"
                           "タイトル,計測ゲーム\r\n"
                           "社名,計測用ソフト社\r\n"
                           "実行ファイル,Velk.exe\r\n";
    std::wstring list = gameFolderOf(c) + L"\n";
    for (std::size_t i = 0; i < c.count; ++i) {
        wchar_t name[32];
        std::swprintf(name, 32, L"f%04u.dat", static_cast<unsigned>(i));
        c.fileNames.push_back(name);
        settings += "ファイル," + utf8FromUtf16(name) + "\r\n";
        list += patch + L"\\" + name + L"\t" + gameFolderOf(c) + L"\\" + name + L"\n";
        const std::string bytes = contentOf(i, c.size, '2');
        DigestEntry digest;
        digest.size = bytes.size();
        digest.name = utf8FromUtf16(name);  // ASCII: the same in code page 932
        if (!writeFile(patch + L"\\" + name, bytes) || !writeFile(tabled + L"\\" + name, bytes) ||
            !sha256OfBytes(bytes.data(), bytes.size(), digest.digest)) {
            return false;
        }
        digests.push_back(digest);
    }
    return writeFile(patch + L"\\patch.inf", settings) && writeFile(tabled + L"\\patch.inf", settings) &&
           writeTable(tabled + L"\\patch.exe", digests) && writeFile(floorFolder + L"\\floor.txt", utf8FromUtf16(list));
}

// The game as its installer left it, with the old version of every file,
// and the registry entry pointing at it.
bool installGame(const Case& c) {
    const std::wstring game = gameFolderOf(c);
    removeTree(game);
    if (!CreateDirectoryW(game.c_str(), nullptr) || !writeFile(game + L"\\Velk.exe", "game\r\n")) {
        return false;
    }
    for (std::size_t i = 0; i < c.count; ++i) {
        if (!writeFile(game + L"\\" + c.fileNames[i], contentOf(i, c.size, '1'))) {
            return false;
        }
    }
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, registryKey, 0, nullptr, 0, KEY_WRITE | gameKeyView, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExW(key.get(), L"path", 0, REG_SZ, reinterpret_cast<const BYTE*>(game.c_str()),
                          static_cast<DWORD>((game.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool everyFileWritten(const Case& c) {
    const std::wstring game = gameFolderOf(c);
    for (std::size_t i = 0; i < c.count; ++i) {
        if (readFile(game + L"\\" + c.fileNames[i]) != contentOf(i, c.size, '2')) {
            print(L"FAILED: " + c.fileNames[i] + L" was not written");
            return false;
        }
    }
    return true;
}

struct Measure {
    double seconds = 0;
    double copySeconds = 0;  // from Run to "完了"; the whole time where nothing is driven
    std::uint64_t peakPrivate = 0;
    bool ok = false;
};

void sample(HANDLE process, std::uint64_t& peak) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        peak = std::max<std::uint64_t>(peak, std::max<std::uint64_t>(counters.PeakPagefileUsage, counters.PrivateUsage));
    }
}

double secondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now{}, frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One driven run of `path`, in its own folder as Explorer starts it.
Measure driveOnce(const std::wstring& path) {
    Measure measure;
    LARGE_INTEGER start{};
    QueryPerformanceCounter(&start);
    ProgramProcess program(path, path.substr(0, path.find_last_of(L'\\')));
    if (!program.started()) {
        print(L"FAILED: could not start " + path);
        return measure;
    }
    UniqueHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program.processId()));
    auto sampled = [&] {
        if (process.valid()) {
            sample(process.get(), measure.peakPrivate);
        }
    };
    HWND dialog = nullptr;
    waitUntil(
        [&] {
            sampled();
            dialog = findDialog(program.processId(), DialogKind::patchDialog);
            return dialog != nullptr || findDialog(program.processId(), DialogKind::messageBox) != nullptr;
        },
        30000);
    if (dialog == nullptr) {
        print(L"FAILED: no dialog from " + path);
        program.terminate(3);
        return measure;
    }
    LARGE_INTEGER runPressed{};
    QueryPerformanceCounter(&runPressed);
    pressButton(dialog, IDC_RUN);
    HWND runButton = GetDlgItem(dialog, IDC_RUN);
    const bool finished = waitUntil(
        [&] {
            sampled();
            return (IsWindowEnabled(runButton) && controlText(dialog, IDC_RUN) == L"完了") ||
                   findDialog(program.processId(), DialogKind::messageBox) != nullptr ||
                   program.exitCode(0).has_value();
        },
        copyWaitMs);
    measure.copySeconds = secondsSince(runPressed);
    sampled();
    if (!finished || controlText(dialog, IDC_RUN) != L"完了") {
        print(L"FAILED: the copy of " + path + L" did not finish: " + controlText(dialog, IDC_PROMPT));
        program.terminate(3);
        return measure;
    }
    pressButton(dialog, IDC_RUN);
    const std::optional<DWORD> code = program.exitCode(exitWaitMs);
    measure.seconds = secondsSince(start);
    if (process.valid()) {
        sample(process.get(), measure.peakPrivate);
    }
    if (code != 1u) {
        print(L"FAILED: " + path + L" ended with " + (code ? std::to_wstring(*code) : std::wstring(L"nothing")));
        program.terminate(3);
        return measure;
    }
    measure.ok = true;
    return measure;
}

// The system's durable copy of the case: each file copied over the old one
// in the game folder, then flushed to the disk.
Measure systemCopy(const Case& c) {
    Measure measure;
    LARGE_INTEGER start{};
    QueryPerformanceCounter(&start);
    for (const std::wstring& name : c.fileNames) {
        const std::wstring destination = gameFolderOf(c) + L"\\" + name;
        if (!CopyFileW((c.folder + L"\\patch\\" + name).c_str(), destination.c_str(), FALSE)) {
            print(L"FAILED: CopyFileW of " + name);
            return measure;
        }
        const UniqueHandle copy(CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!copy.valid() || !FlushFileBuffers(copy.get())) {
            print(L"FAILED: FlushFileBuffers of " + name);
            return measure;
        }
    }
    measure.seconds = measure.copySeconds = secondsSince(start);
    measure.ok = true;
    return measure;
}

// The SHA-256 of every file of the case, read 1 MiB at a time through the
// same BCrypt calls as the program's.
Measure hashAlone(const Case& c) {
    Measure measure;
    constexpr DWORD pieceSize = 1024 * 1024;
    const GlobalBlock buffer(GlobalAlloc(GMEM_FIXED, pieceSize));
    Sha256Stream hash;
    LARGE_INTEGER start{};
    QueryPerformanceCounter(&start);
    for (const std::wstring& name : c.fileNames) {
        const UniqueHandle file(CreateFileW((c.folder + L"\\patch\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!buffer.valid() || !file.valid() || !hash.begin()) {
            print(L"FAILED: cannot hash " + name);
            return measure;
        }
        DWORD read = 0;
        do {
            if (!ReadFile(file.get(), buffer.bytes(), pieceSize, &read, nullptr) ||
                !hash.update(buffer.bytes(), read)) {
                print(L"FAILED: cannot hash " + name);
                return measure;
            }
        } while (read != 0);
        Sha256Digest digest{};
        if (!hash.finish(digest)) {
            print(L"FAILED: cannot hash " + name);
            return measure;
        }
    }
    measure.seconds = measure.copySeconds = secondsSince(start);
    measure.ok = true;
    return measure;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::wstring mib(std::uint64_t bytes) { return fixed(static_cast<double>(bytes) / (1024.0 * 1024.0), 2) + L" MiB"; }

// The contenders of a case, in the order of their turns.
enum Contender { theProgram, theFloor, theProgramWithTable, theSystemCopy, theHash, contenderCount };

const wchar_t* const contenderNames[contenderCount] = {L"program", L"floor  ", L"table  ", L"system ", L"hash   "};

struct Result {
    std::vector<double> seconds[contenderCount];
    std::vector<double> copySeconds[contenderCount];
    std::uint64_t peak[contenderCount] = {};
};

Measure measureOnce(const Case& c, Contender who) {
    switch (who) {
    case theProgram:
        return driveOnce(c.folder + L"\\patch\\patch.exe");
    case theFloor:
        return driveOnce(c.folder + L"\\floor\\copy_floor.exe");
    case theProgramWithTable:
        return driveOnce(c.folder + L"\\patch-table\\patch.exe");
    case theSystemCopy:
        return systemCopy(c);
    default:
        return hashAlone(c);
    }
}

// The build this bench runs, which is the build of the program it drives.
const wchar_t* buildName() {
    return sizeof(void*) == 8 ? L"64-bit build (build/x64/, x86_64-w64-mingw32) under 64-bit Wine"
                              : L"32-bit build (build/, i686-w64-mingw32), the player's program";
}

void printTables(const std::vector<Case>& cases, const std::vector<Result>& results, int rounds) {
    print(L"");
    print(std::wstring(L"Measured: the ") + buildName() + L".");
    print(L"");
    print(L"| case | program | program with table | floor | system's durable copy | hash alone |");
    print(L"|---|---|---|---|---|---|");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Result& r = results[i];
        std::wstring line = L"| " + cases[i].name;
        for (const Contender who : {theProgram, theProgramWithTable, theFloor}) {
            line += L" | " + fixed(median(r.seconds[who]), 3) + L" s (copy " + fixed(median(r.copySeconds[who]), 3) +
                    L" s), peak " + mib(r.peak[who]);
        }
        line += L" | " + fixed(median(r.seconds[theSystemCopy]), 3) + L" s | " + fixed(median(r.seconds[theHash]), 3) +
                L" s |";
        print(line);
    }
    print(L"");
    print(L"| case | program / durable copy | with table / larger of durable copy and hash | program / floor | "
          L"with table / without |");
    print(L"|---|---|---|---|---|");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Result& r = results[i];
        const double program = median(r.copySeconds[theProgram]);
        const double tabled = median(r.copySeconds[theProgramWithTable]);
        const double durable = median(r.seconds[theSystemCopy]);
        const double hash = median(r.seconds[theHash]);
        print(L"| " + cases[i].name + L" | " + fixed(program / durable, 2) + L" | " +
              fixed(tabled / std::max(durable, hash), 2) + L" | " +
              fixed(median(r.seconds[theProgram]) / median(r.seconds[theFloor]), 2) + L" | " +
              fixed(tabled / program, 2) + L" |");
    }
    print(L"(" + std::to_wstring(rounds) + L" round" + (rounds == 1 ? L"" : L"s") +
          L", median of each; the five take turns. \"copy\" is Run to \"完了\", the figure the ratios to the "
          L"system's copy and the hash use; program / floor compares whole runs, start to exit)");
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 4) {
        print(L"usage: bench_driver PROGRAM FLOOR WORK_FOLDER [--quick] [--rounds N]");
        return 2;
    }
    const std::wstring program = windowsPath(arguments[1]);
    const std::wstring floor = windowsPath(arguments[2]);
    const std::wstring work = windowsPath(arguments[3]);
    bool quick = false;
    int rounds = 3;
    for (int i = 4; i < count; ++i) {
        const std::wstring option = arguments[i];
        if (option == L"--quick") {
            quick = true;
            rounds = 1;
        } else if (option == L"--rounds" && i + 1 < count) {
            rounds = std::max(1, _wtoi(arguments[++i]));
        } else {
            print(L"unknown option " + option);
            return 2;
        }
    }
    LocalFree(arguments);

    std::vector<Case> cases;
    if (quick) {
        cases.push_back({L"one 1 MiB file", 1, 1024 * 1024, work + L"\\big", {}});
        cases.push_back({L"20 files of 4 KB", 20, 4096, work + L"\\small", {}});
    } else {
        cases.push_back({L"one 256 MiB file", 1, 256 * 1024 * 1024, work + L"\\big", {}});
        cases.push_back({L"1,000 files of 4 KB", 1000, 4096, work + L"\\small", {}});
    }
    removeTree(work);
    if (!CreateDirectoryW(work.c_str(), nullptr)) {
        print(L"FAILED: cannot make " + work);
        return 1;
    }
    for (Case& c : cases) {
        if (!preparePatch(c, program, floor)) {
            print(L"FAILED: cannot lay out the patch of " + c.name + L" in " + c.folder);
            return 1;
        }
    }

    std::vector<Result> results(cases.size());
    bool ok = true;
    // Round 0 warms up: Wine's first start of each program maps and loads
    // what later starts find ready; it is shown but not counted.
    for (int round = 0; round <= rounds && ok; ++round) {
        for (std::size_t i = 0; i < cases.size() && ok; ++i) {
            const Case& c = cases[i];
            for (int turn = 0; turn < contenderCount && ok; ++turn) {
                // The program first in odd rounds, as before the table came.
                const auto who = static_cast<Contender>((turn + (round % 2 == 1 ? 0 : 1) + round / 2) % contenderCount);
                if (!installGame(c)) {
                    print(L"FAILED: cannot install the game of " + c.name);
                    ok = false;
                    break;
                }
                const Measure m = measureOnce(c, who);
                // The hash alone writes nothing.
                ok = m.ok && (who == theHash || everyFileWritten(c));
                if (!ok) {
                    break;
                }
                const std::wstring figures = fixed(m.seconds, 3) + L" s (copy " + fixed(m.copySeconds, 3) +
                                             L" s), peak private " + mib(m.peakPrivate);
                if (round == 0) {
                    print(L"warm-up, " + c.name + L", " + contenderNames[who] + L": " + figures);
                    continue;
                }
                Result& r = results[i];
                r.seconds[who].push_back(m.seconds);
                r.copySeconds[who].push_back(m.copySeconds);
                r.peak[who] = std::max(r.peak[who], m.peakPrivate);
                print(L"round " + std::to_wstring(round) + L", " + c.name + L", " + contenderNames[who] + L": " +
                      figures);
            }
        }
    }
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, registryKey, gameKeyView, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, companyKey, gameKeyView, 0);
    if (!ok) {
        return 1;
    }

    printTables(cases, results, rounds);
    return 0;
}
