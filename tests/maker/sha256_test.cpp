// SHA-256 through the system's BCrypt: the standard's vectors, and a file
// longer than one read, so that every buffer reaches the hash.
#include <gtest/gtest.h>

#include <string>

#include "core/Sha256.h"
#include "tests/support/TempFolder.h"

namespace {

std::wstring digestOf(const std::string& bytes) {
    Sha256Digest digest{};
    EXPECT_TRUE(sha256OfBytes(bytes.data(), bytes.size(), digest));
    return hexOf(digest);
}

TEST(Sha256, GivesTheStandardsDigests) {
    EXPECT_EQ(digestOf("abc"), L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(digestOf(""), L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              L"248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Sha256, OfAFileReadInSeveralBuffers) {
    const TempFolder folder;
    // A million "a": the standard's long vector, 15 reads and a part.
    const std::wstring path = folder.write(L"a.bin", std::string(1000000, 'a'));
    Sha256Digest digest{};
    ASSERT_TRUE(sha256OfFile(path, digest));
    EXPECT_EQ(hexOf(digest), L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

    const std::wstring empty = folder.write(L"empty.bin", "");
    ASSERT_TRUE(sha256OfFile(empty, digest));
    EXPECT_EQ(hexOf(digest), L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

    EXPECT_FALSE(sha256OfFile(folder.file(L"missing.bin"), digest));
}

}  // namespace
