#include "tests/e2e/PatchFixture.h"

#include "core/GameRegistryView.h"
#include "core/HandleOwners.h"
#include "core/PatchSession.h"
#include "dialog/display_rules.h"

namespace {

// The built program, handed over by the build as a path on the build host;
// or, for the scenarios run on a publisher's release, the program patch-make
// wrote (PATCH_E2E_PROGRAM, a host path too).
std::wstring builtProgram() {
    wchar_t released[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"PATCH_E2E_PROGRAM", released, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        return hostPathInWine(utf8FromUtf16(released).c_str());
    }
    return hostPathInWine(PATCH_PROGRAM);
}

std::wstring registryKeyOf(const std::wstring& company, const std::wstring& title) {
    return L"SOFTWARE\\" + company + L"\\" + title;
}

// Makes `folder` and every folder above it that is missing.
bool makeFolders(const std::wstring& folder) {
    for (std::size_t at = folder.find(L'\\', 3); at != std::wstring::npos; at = folder.find(L'\\', at + 1)) {
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    }
    return CreateDirectoryW(folder.c_str(), nullptr) != FALSE;
}

void collectFiles(const std::wstring& folder, const std::wstring& relative,
                  std::map<std::wstring, std::string>& files) {
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search.valid()) {
        ADD_FAILURE() << "can't list " << utf8(folder);
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files[relative + name + L"\\"] = "";
            collectFiles(folder + L"\\" + name, relative + name + L"\\", files);
        } else {
            files[relative + name] = readWholeFile(folder + L"\\" + name);
        }
    } while (FindNextFileW(search.get(), &found));
}

}  // namespace

std::string releasedFileOr(const std::wstring& name, const std::string& fallback) {
    const std::wstring program = builtProgram();
    const std::wstring beside = program.substr(0, program.find_last_of(L'\\') + 1) + name;
    return GetFileAttributesW(beside.c_str()) == INVALID_FILE_ATTRIBUTES ? fallback : readWholeFile(beside);
}

ProgramRun::ProgramRun(const std::wstring& program, CopySpeed speed) : ProgramProcess(program) {
    if (speed == CopySpeed::paced && started()) {
        pacer_ = std::make_unique<CopyPacer>(processId());
    }
}

ProgramRun::~ProgramRun() {
    if (running()) {
        ADD_FAILURE() << "the program was still running at the end of the test";
    }
}

namespace {

// The records of stopped runs the program keeps: none is left from one
// scenario to the next (a scenario that fails may leave one).
void forgetStoppedRuns() { deleteGameKeyTree(runRecordsKey + std::size(L"SOFTWARE\\") - 1); }

}  // namespace

PatchProgramTest::PatchProgramTest() {
    forgetStoppedRuns();
    gameFolder = gameParent.file(L"Game Folder");
    EXPECT_TRUE(CreateDirectoryW(gameFolder.c_str(), nullptr)) << utf8(gameFolder);
    program = patchFolder.file(L"update.exe");
    EXPECT_TRUE(CopyFileW(builtProgram().c_str(), program.c_str(), FALSE)) << utf8(builtProgram());
}

PatchProgramTest::~PatchProgramTest() {
    forgetInstallFolder();
    forgetStoppedRuns();
}

void PatchProgramTest::forgetInstallFolder() const {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, registryKeyOf(company, title).c_str(), gameKeyView, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (L"SOFTWARE\\" + company).c_str(), gameKeyView, 0);
}

std::string PatchProgramTest::settingsListing(const std::vector<PatchSource>& files) const {
    std::string text = ";パッチプログラムのキャプション名,名前\r\n"
                       "キャプション," + cp932(caption) + "\r\n"
                       "タイトル," + cp932(title) + "\r\n"
                       "社名," + cp932(company) + "\r\n"
                       "実行ファイル,Velk.exe\r\n"
                       "\r\n";
    for (const PatchSource& file : files) {
        text += "ファイル," + cp932(file.sourceName);
        if (!file.destinationName.empty()) {
            text += "," + cp932(file.destinationName);
        }
        text += "\r\n";
    }
    return text;
}

void PatchProgramTest::writeSettings(const std::string& text) const {
    patchFolder.write(programPlace + settingsName, text);
}

void PatchProgramTest::shipPatch(const std::vector<PatchSource>& files) const {
    for (const PatchSource& file : files) {
        patchFolder.write(programPlace + file.sourceName, file.bytes);
    }
    writeSettings(settingsListing(files));
}

void PatchProgramTest::placeProgram(const std::wstring& folderName, const std::wstring& programName,
                                    const std::wstring& settingsFileName) {
    const std::wstring folder = patchFolder.file(folderName);
    ASSERT_TRUE(makeFolders(folder)) << utf8(folder);
    const std::wstring moved = folder + L"\\" + programName;
    ASSERT_TRUE(MoveFileW(program.c_str(), moved.c_str())) << utf8(moved);
    program = moved;
    programPlace = folderName + L"\\";
    settingsName = settingsFileName;
}

void PatchProgramTest::useGameFolder(const std::wstring& name) {
    gameFolder = gameParent.file(name);
    ASSERT_TRUE(makeFolders(gameFolder)) << utf8(gameFolder);
}

// Written in the registry view that the 32-bit program reads, whichever
// build this test is.
void PatchProgramTest::registerInstallFolder(const std::wstring& path) const {
    RegistryKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, registryKeyOf(company, title).c_str(), 0, nullptr, 0, KEY_WRITE | gameKeyView,
                              nullptr, key.receive(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), L"path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                             static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

void PatchProgramTest::putGameExecutable() const {
    UniqueHandle file(CreateFileW(installedFile(L"Velk.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file.valid());
}

void PatchProgramTest::expectSpaceText(const std::wstring& shown, std::uint64_t patchBytes,
                                       const std::wstring& folder) const {
    const std::wstring root = driveRootOf(folder.c_str());
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters));
    const std::uint64_t freeNow = freeKilobytes({sectorsPerCluster, bytesPerSector, freeClusters});

    const std::string patchKb = decimalText(patchBytes >> 10);
    const std::wstring head = L"容量\t\t" + std::wstring(patchKb.begin(), patchKb.end()) + L"KB\n" + root + L"空き容量\t";
    ASSERT_EQ(shown.substr(0, head.size()), head) << utf8(shown);
    ASSERT_GE(shown.size(), head.size() + 3) << utf8(shown);
    ASSERT_EQ(shown.substr(shown.size() - 2), L"KB") << utf8(shown);
    const std::wstring figure = shown.substr(head.size(), shown.size() - 2 - head.size());
    ASSERT_EQ(figure.find_first_not_of(L"0123456789"), std::wstring::npos) << utf8(shown);
    const std::uint64_t freeShown = std::stoull(figure);
    const std::uint64_t slackKb = 1024 * 1024;  // 1 GiB
    EXPECT_LE(freeShown, freeNow + slackKb) << utf8(shown);
    EXPECT_GE(freeShown + slackKb, freeNow) << utf8(shown);
}

std::string cp932(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, &lossy);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), length, bytes.data(), size, nullptr, &lossy);
    EXPECT_FALSE(lossy) << utf8(text) << " has no code page 932 form";
    return bytes;
}

std::string fileBytesOrMissing(const std::wstring& path) {
    return fileExists(path) ? readWholeFile(path) : std::string("<missing>");
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::map<std::wstring, std::string> filesUnder(const std::wstring& folder) {
    std::map<std::wstring, std::string> files;
    collectFiles(folder, L"", files);
    return files;
}
