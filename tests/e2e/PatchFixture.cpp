#include "tests/e2e/PatchFixture.h"

#include "dialog/display_rules.h"
#include "core/HandleOwners.h"

namespace {

// The built program, handed over by the build as a path on the build host.
std::string builtProgram() { return hostPathInWine(PATCH_PROGRAM); }

std::string registryKeyOf(const std::string& company, const std::string& title) {
    return "SOFTWARE\\" + company + "\\" + title;
}

}  // namespace

ProgramRun::~ProgramRun() {
    if (running()) {
        ADD_FAILURE() << "the program was still running at the end of the test";
    }
}

PatchProgramTest::PatchProgramTest() {
    gameFolder = gameParent.file("Game Folder");
    EXPECT_TRUE(CreateDirectoryA(gameFolder.c_str(), nullptr)) << gameFolder;
    program = patchFolder.file("update.exe");
    EXPECT_TRUE(CopyFileA(builtProgram().c_str(), program.c_str(), FALSE)) << builtProgram();
}

PatchProgramTest::~PatchProgramTest() { forgetInstallFolder(); }

void PatchProgramTest::forgetInstallFolder() const {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, registryKeyOf(company, title).c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\" + company).c_str());
}

std::string PatchProgramTest::settingsListing(const std::vector<PatchSource>& files) const {
    std::string text = ";パッチプログラムのキャプション名,名前\r\n"
                       "キャプション," + caption + "\r\n"
                       "タイトル," + title + "\r\n"
                       "社名," + company + "\r\n"
                       "実行ファイル,Velk.exe\r\n"
                       "\r\n";
    for (const PatchSource& file : files) {
        text += "ファイル," + file.sourceName;
        if (!file.destinationName.empty()) {
            text += "," + file.destinationName;
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

void PatchProgramTest::placeProgram(const std::string& folderName, const std::string& programName,
                                    const std::string& settingsFileName) {
    const std::string folder = patchFolder.file(folderName);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    const std::string moved = folder + "\\" + programName;
    ASSERT_TRUE(MoveFileA(program.c_str(), moved.c_str())) << moved;
    program = moved;
    programPlace = folderName + "\\";
    settingsName = settingsFileName;
}

void PatchProgramTest::useGameFolder(const std::string& name) {
    gameFolder = gameParent.file(name);
    ASSERT_TRUE(CreateDirectoryA(gameFolder.c_str(), nullptr)) << gameFolder;
}

// Written from this 32-bit process, so it lands in the registry view that the
// 32-bit program reads.
void PatchProgramTest::registerInstallFolder(const std::string& path) const {
    RegistryKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, registryKeyOf(company, title).c_str(), 0, nullptr, 0,
                              KEY_WRITE, nullptr, key.receive(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), "path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                             static_cast<DWORD>(path.size() + 1)),
              ERROR_SUCCESS);
}

void PatchProgramTest::putGameExecutable() const {
    UniqueHandle file(CreateFileA(installedFile("Velk.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file.valid());
}

void PatchProgramTest::expectSpaceText(const std::string& shown, std::uint64_t patchBytes,
                                       const std::string& folder) const {
    const std::string root = driveRootOf(folder.c_str());
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters));
    const std::uint64_t freeNow = freeKilobytes({sectorsPerCluster, bytesPerSector, freeClusters});

    const std::string head = "容量\t\t" + decimalText(patchBytes >> 10) + "KB\n" + root + "空き容量\t";
    ASSERT_EQ(shown.substr(0, head.size()), head) << shown;
    ASSERT_GE(shown.size(), head.size() + 3) << shown;
    ASSERT_EQ(shown.substr(shown.size() - 2), "KB") << shown;
    const std::string figure = shown.substr(head.size(), shown.size() - 2 - head.size());
    ASSERT_EQ(figure.find_first_not_of("0123456789"), std::string::npos) << shown;
    const std::uint64_t freeShown = std::stoull(figure);
    const std::uint64_t slackKb = 1024 * 1024;  // 1 GiB
    EXPECT_LE(freeShown, freeNow + slackKb) << shown;
    EXPECT_GE(freeShown + slackKb, freeNow) << shown;
}

std::string fileBytesOrMissing(const std::string& path) {
    return fileExists(path) ? readWholeFile(path) : std::string("<missing>");
}

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
