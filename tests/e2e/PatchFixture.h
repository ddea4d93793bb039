// A patch as a publisher ships it and a game as its installer left it: the
// program copied into a patch folder with its settings and files, the game's
// folder with its executable, and the registry entry that points to it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/driver/ProgramProcess.h"
#include "tests/support/TempFolder.h"

// One start of the program in a test: a test that leaves it running fails.
class ProgramRun : public ProgramProcess {
public:
    explicit ProgramRun(const std::string& program) : ProgramProcess(program) {}
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;
};

struct PatchSource {
    std::string sourceName;
    std::string destinationName;  // empty: the source name
    std::string bytes;
};

class PatchProgramTest : public testing::Test {
protected:
    PatchProgramTest();
    ~PatchProgramTest() override;

    // Settings text in code page 932 with CR LF breaks, listing the files.
    std::string settingsListing(const std::vector<PatchSource>& files) const;
    void writeSettings(const std::string& text) const;
    // Writes each file into the patch folder and lists it in the settings.
    void shipPatch(const std::vector<PatchSource>& files) const;
    void registerInstallFolder(const std::string& path) const;
    // Removes the game's registry entry again, as if it were never installed.
    void forgetInstallFolder() const;
    void putGameExecutable() const;

    // Moves the program into a new folder `folderName` of the patch folder,
    // under the file name `programName`. The settings file and the files
    // shipped from then on go beside it; the settings file is named
    // `settingsFileName`, which is what the program should look for.
    void placeProgram(const std::string& folderName, const std::string& programName,
                      const std::string& settingsFileName);
    // Makes the game folder anew under another name, inside gameParent.
    void useGameFolder(const std::string& name);

    // The text the space display should show for the game folder, with the
    // free figure read now; free space moves while other tests write, so
    // `expectSpaceText` allows some slack there.
    void expectSpaceText(const std::string& shown, std::uint64_t patchBytes, const std::string& folder) const;
    std::string installedFile(const std::string& name) const { return gameFolder + "\\" + name; }

    TempFolder patchFolder;
    // Games live near the top of a drive, which also keeps the folder
    // browser's walk down to the game folder short.
    TempFolder gameParent{"C:\\"};
    // Inside gameParent.
    std::string gameFolder;
    std::string program;     // the program, as copied into the patch folder
    // The settings and the registry entry of the game; the entry is removed
    // at the end of the test.
    std::string company = "試験用ソフト社";
    std::string title = "表計算ゲーム";
    std::string caption = "港の灯 修正ファイル更新プログラム";

private:
    // Where the program lies inside patchFolder ("" or a folder and "\"),
    // and the name of the settings file it reads.
    std::string programPlace;
    std::string settingsName = "update.inf";
};

// Bytes of a file, or "<missing>".
std::string fileBytesOrMissing(const std::string& path);
bool fileExists(const std::string& path);
