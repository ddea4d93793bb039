// SHA-256 through the system's BCrypt: the standard's vectors, and a file
// longer than one read, so that every buffer reaches the hash.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/Sha256.h"
#include "core/digest_text.h"
#include "tests/support/TempFolder.h"

namespace {

std::wstring digestOf(const std::string& bytes) {
    Sha256Digest digest{};
    EXPECT_TRUE(sha256OfBytes(bytes.data(), bytes.size(), digest));
    return wideDigestHex(digest);
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
    EXPECT_EQ(wideDigestHex(digest), L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

    const std::wstring empty = folder.write(L"empty.bin", "");
    ASSERT_TRUE(sha256OfFile(empty, digest));
    EXPECT_EQ(wideDigestHex(digest), L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

    EXPECT_FALSE(sha256OfFile(folder.file(L"missing.bin"), digest));
}

// The copy feeds each file in chunks of its cluster size, one object for a
// whole run: a digest must not depend on where the pieces split, and each
// file starts afresh, whatever the one before it left.
TEST(Sha256, StreamInPiecesGivesTheWholeDigestFileAfterFile) {
    Sha256Stream hash;
    Sha256Digest digest{};
    // Fed before any begin: no digest of nothing.
    EXPECT_FALSE(hash.update("abc", 3));
    EXPECT_FALSE(hash.finish(digest));

    const std::string million(1000000, 'a');
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t piece;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"abc in ones", "abc", 1, L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"a million a in 4095s", million, 4095, L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {"nothing", "", 1, L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc whole, after the others", "abc", 3, L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(hash.begin());
        for (std::size_t at = 0; at < c.bytes.size(); at += c.piece) {
            ASSERT_TRUE(hash.update(c.bytes.data() + at, std::min(c.piece, c.bytes.size() - at)));
        }
        ASSERT_TRUE(hash.finish(digest));
        EXPECT_EQ(wideDigestHex(digest), c.expected);
        // Finished: the next digest needs a begin.
        EXPECT_FALSE(hash.update("x", 1));
    }
}

}  // namespace
