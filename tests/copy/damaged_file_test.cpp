// A file the release's table of digests names is installed only as the
// release had it: a size that differs, or a missing file, is refused before
// anything is written; a digest that differs, found on the copy's own pass,
// puts the install folder back. Either way the player is told which file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Sha256.h"
#include "tests/support/CopyFixture.h"
#include "tests/support/case_name.h"

namespace {

const wchar_t damagedText[] = L"「data\\a.dat」が壊れています。パッチをもう一度ダウンロードしてください。";

// The patch and install folders each hold data\, as the settings'
// "data\a.dat" needs (the program makes no folders). The session's program
// folder is the patch folder, whose names the text quotes.
void prepareFolders(PatchSession& session, TempFolder& patch, TempFolder& install) {
    session.programFolder = patch.path();
    CreateDirectoryW(patch.file(L"data").c_str(), nullptr);
    CreateDirectoryW(install.file(L"data").c_str(), nullptr);
}

// The entry as settings loading makes it of a table line for `released`,
// with `shipped` being what lies beside the program now.
PatchFileEntry checkedEntry(const TempFolder& patch, const std::wstring& name, const std::string& released,
                            const std::string* shipped) {
    if (shipped != nullptr) {
        patch.write(name, *shipped);
    }
    PatchFileEntry entry{patch.file(name), name,
                         shipped != nullptr ? static_cast<std::uint32_t>(shipped->size()) : noSizeMarker};
    entry.checked = true;
    entry.expectedSize = released.size();
    EXPECT_TRUE(sha256OfBytes(released.data(), released.size(), entry.expectedDigest));
    return entry;
}

std::string flipped(std::string bytes, std::size_t at) {
    bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
    return bytes;
}

// --- The copy: each checked file hashed as it is staged. ---

class DamagedWhileStaging : public CopyFixture {
public:
    void SetUp() override {
        CopyFixture::SetUp();
        prepareFolders(session, patch, install);
    }
};

struct StagedDamage {
    const char* name;
    std::string (*damage)(const std::string& released);
};

void PrintTo(const StagedDamage& c, std::ostream* out) { *out << c.name; }

class DamagedWhileStagingCases : public DamagedWhileStaging, public ::testing::WithParamInterface<StagedDamage> {};

// The damaged file comes after a good one that replaces a game file, in a
// file of several chunks (over 3 MiB): what was staged and moved aside goes
// back.
TEST_P(DamagedWhileStagingCases, PutsTheFolderBackAndNamesTheFile) {
    const std::string released = patternBytes(3 * chunk + 7, 30);
    addEntry(L"first.bin", patternBytes(500, 31));
    const std::string shipped = GetParam().damage(released);
    session.files.push_back(checkedEntry(patch, L"data\\a.dat", released, &shipped));
    addEntry(L"last.bin", patternBytes(200, 32));
    install.write(L"first.bin", "old first");
    install.write(L"data\\a.dat", "old a");
    const FolderState before = folderStateOf(install.path());

    EXPECT_EQ(copy(), copyDamaged);

    EXPECT_EQ(session.statusText, damagedText);
    EXPECT_EQ(folderStateOf(install.path()), before);
    EXPECT_TRUE(openedByNobody(patch.file(L"data\\a.dat")));
    EXPECT_NE(dialog.controlText(IDC_PROMPT), L"コピー終了");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedWhileStagingCases,
    ::testing::Values(
        StagedDamage{"ByteFlippedInTheFirstChunk", [](const std::string& bytes) { return flipped(bytes, 0); }},
        StagedDamage{"ByteFlippedInTheLastChunk",
                     [](const std::string& bytes) { return flipped(bytes, bytes.size() - 1); }},
        StagedDamage{"AnotherFileOfTheSameSize",
                     [](const std::string& bytes) { return patternBytes(bytes.size(), 33); }}),
    caseName<StagedDamage>);

// A checked file as released, an empty one, and a file the table does not
// name all install; the hash starts afresh for each file.
TEST_F(DamagedWhileStaging, FilesAsReleasedInstallBesideUncheckedOnes) {
    const std::string a = patternBytes(2 * chunk + 1, 34);
    const std::string empty;
    const std::string b = patternBytes(100, 35);
    session.files.push_back(checkedEntry(patch, L"data\\a.dat", a, &a));
    session.files.push_back(checkedEntry(patch, L"empty.bin", empty, &empty));
    addEntry(L"free.bin", patternBytes(50, 36));
    session.files.push_back(checkedEntry(patch, L"b.bin", b, &b));

    EXPECT_EQ(copy(), copyDone);

    EXPECT_EQ(folderStateOf(install.path()), (FolderState{{L"data", "<folder>"},
                                                          {L"data\\a.dat", a},
                                                          {L"empty.bin", ""},
                                                          {L"free.bin", patternBytes(50, 36)},
                                                          {L"b.bin", b}}));
    EXPECT_TRUE(session.statusText.empty());
}

// The table's digest and the file's differ in their last byte alone: every
// byte of the digest is compared.
TEST_F(DamagedWhileStaging, DigestThatDiffersInItsLastByteOnlyIsDamage) {
    const std::string released = patternBytes(500, 37);
    PatchFileEntry entry = checkedEntry(patch, L"data\\a.dat", released, &released);
    entry.expectedDigest.back() ^= 0x01;
    session.files.push_back(entry);
    const FolderState before = folderStateOf(install.path());

    EXPECT_EQ(copy(), copyDamaged);

    EXPECT_EQ(session.statusText, damagedText);
    EXPECT_EQ(folderStateOf(install.path()), before);
}

// --- Run pressed: a size that differs or a missing file, before anything
// is written. ---

class DamagedBeforeTheCopy : public CopyJobFixture {
public:
    void SetUp() override {
        CopyJobFixture::SetUp();
        prepareFolders(session, patch, install);
        session.title = L"テストゲーム";
        addEntry(L"first.bin", patternBytes(100, 40));
    }
};

struct SizeDamage {
    const char* name;
    const char* shipped;  // nullptr: missing beside the program
};

void PrintTo(const SizeDamage& c, std::ostream* out) { *out << c.name; }

class DamagedBeforeTheCopyCases : public DamagedBeforeTheCopy, public ::testing::WithParamInterface<SizeDamage> {};

TEST_P(DamagedBeforeTheCopyCases, OneErrorBoxAndNothingWritten) {
    const std::string released = "released bytes";
    const std::string shipped = GetParam().shipped != nullptr ? GetParam().shipped : "";
    session.files.push_back(
        checkedEntry(patch, L"data\\a.dat", released, GetParam().shipped != nullptr ? &shipped : nullptr));
    const FolderState before = folderStateOf(install.path());

    EXPECT_FALSE(startWith(install.path()));

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, damagedText);
    EXPECT_EQ(boxes[0].caption, L"error");
    EXPECT_EQ(boxes[0].owner, dialog.window());
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_FALSE(session.workerThread.valid());
    EXPECT_EQ(folderStateOf(install.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedBeforeTheCopyCases,
                         ::testing::Values(SizeDamage{"CutShort", "released"},
                                           SizeDamage{"MadeLonger", "released bytes and more"},
                                           SizeDamage{"Empty", ""}, SizeDamage{"Missing", nullptr}),
                         caseName<SizeDamage>);

// A digest that differs reaches the dialog as the damaged file's text, not
// as a failed copy.
TEST_F(DamagedBeforeTheCopy, DigestFoundWrongOnTheWorkerIsToldByName) {
    const std::string released = patternBytes(300, 41);
    const std::string shipped = flipped(released, 150);
    session.files.push_back(checkedEntry(patch, L"data\\a.dat", released, &shipped));

    ASSERT_TRUE(startWith(install.path()));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(finish(), static_cast<DWORD>(copyDamaged));

    EXPECT_EQ(dialog.failureNotices(), std::vector<std::wstring>{damagedText});
    EXPECT_EQ(folderStateOf(install.path()), (FolderState{{L"data", "<folder>"}}));
}

}  // namespace
