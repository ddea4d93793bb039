// A patch as a publisher ships it and a game as its installer left it: the
// program copied into a patch folder with its settings and files, the game's
// folder with its executable, and the registry entry that points to it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/driver/CopyPacer.h"
#include "tests/driver/ProgramProcess.h"
#include "tests/support/TempFolder.h"

// How fast a run's copy goes: as the program copies, or slowed from outside
// (CopyPacer) for a test that acts while the copy runs.
enum class CopySpeed { asItIs, paced };

// One start of the program in a test: a test that leaves it running fails.
class ProgramRun : public ProgramProcess {
public:
    explicit ProgramRun(const std::wstring& program, CopySpeed speed = CopySpeed::asItIs);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

private:
    std::unique_ptr<CopyPacer> pacer_;
};

// Names in UTF-16, as the files are made; the settings list them in code
// page 932, so every name must have a code page 932 form.
struct PatchSource {
    std::wstring sourceName;
    std::wstring destinationName;  // empty: the source name
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
    void registerInstallFolder(const std::wstring& path) const;
    // Removes the game's registry entry again, as if it were never installed.
    void forgetInstallFolder() const;
    void putGameExecutable() const;

    // Moves the program into a new folder `folderName` of the patch folder
    // (every folder of that path is made), under the file name
    // `programName`. The settings file and the files
    // shipped from then on go beside it; the settings file is named
    // `settingsFileName`, which is what the program should look for.
    void placeProgram(const std::wstring& folderName, const std::wstring& programName,
                      const std::wstring& settingsFileName);
    // Makes the game folder anew under another name, inside gameParent
    // (every folder of `name` is made).
    void useGameFolder(const std::wstring& name);

    // The text the space display should show for the game folder, with the
    // free figure read now; free space moves while other tests write, so
    // `expectSpaceText` allows some slack there.
    void expectSpaceText(const std::wstring& shown, std::uint64_t patchBytes, const std::wstring& folder) const;
    std::wstring installedFile(const std::wstring& name) const { return gameFolder + L"\\" + name; }

    TempFolder patchFolder;
    // Games live near the top of a drive, which also keeps the folder
    // browser's walk down to the game folder short.
    TempFolder gameParent{L"C:\\"};
    // Inside gameParent.
    std::wstring gameFolder;
    std::wstring program;  // the program, as copied into the patch folder
    // The settings and the registry entry of the game; the entry is removed
    // at the end of the test.
    std::wstring company = L"試験用ソフト社";
    std::wstring title = L"表計算ゲーム";
    std::wstring caption = L"港の灯 修正ファイル更新プログラム";

private:
    // Where the program lies inside patchFolder ("" or folders and "\"),
    // and the name of the settings file it reads.
    std::wstring programPlace;
    std::wstring settingsName = L"update.inf";
};

// The code page 932 form of a text, as a publisher's settings hold it;
// fails the test when the text has none.
std::string cp932(const std::wstring& text);

// The bytes of `name` as the release under test ships it beside its program
// (a release's table of digests names its built-in settings' files, and any
// other bytes are refused as damaged); `fallback` for the built program, which
// ships none.
std::string releasedFileOr(const std::wstring& name, const std::string& fallback);

// Bytes of a file, or "<missing>".
std::string fileBytesOrMissing(const std::wstring& path);
bool fileExists(const std::wstring& path);

// Every file below a folder, by its path relative to it ("sub\\name"), with
// its bytes; a folder itself appears as its path and a trailing backslash.
std::map<std::wstring, std::string> filesUnder(const std::wstring& folder);
