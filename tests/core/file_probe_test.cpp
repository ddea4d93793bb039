// A file's identity as the copy reads it for the many files of one folder
// (the volume's serial read once, for the folder) is the identity Windows
// gives from the file alone, and tells a plain file from a folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "core/FileProbe.h"
#include "core/HandleOwners.h"
#include "tests/support/TempFolder.h"

namespace {

UniqueHandle openForAttributes(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

TEST(FileOnVolume, IsTheFileIdentityWithTheFoldersVolume) {
    TempFolder folder;
    folder.write(L"a.dat", "twelve bytes");
    ASSERT_TRUE(CreateDirectoryW(folder.file(L"sub").c_str(), nullptr));
    const std::optional<std::uint32_t> volume = volumeSerialOf(folder.path());
    ASSERT_TRUE(volume.has_value());

    const UniqueHandle file = openForAttributes(folder.file(L"a.dat"));
    ASSERT_TRUE(file.valid());
    const std::optional<FileIdentity> whole = identityOf(file.get());
    const std::optional<FileOnVolume> found = fileOnVolume(file.get(), *volume);
    ASSERT_TRUE(whole && found);
    EXPECT_EQ(found->identity, *whole);
    EXPECT_EQ(found->identity.size, 12u);
    EXPECT_TRUE(found->plainFile);

    const UniqueHandle sub = openForAttributes(folder.file(L"sub"));
    ASSERT_TRUE(sub.valid());
    const std::optional<FileOnVolume> folderFound = fileOnVolume(sub.get(), *volume);
    ASSERT_TRUE(folderFound.has_value());
    EXPECT_FALSE(folderFound->plainFile);
    EXPECT_NE(folderFound->identity.index, found->identity.index);
}

TEST(FileOnVolume, NoVolumeForAMissingPath) {
    TempFolder folder;
    EXPECT_FALSE(volumeSerialOf(folder.file(L"missing\\a.dat")).has_value());
}

}  // namespace
