// The hash worked out beside the copy gives the digest of the bytes handed,
// in order, while the caller refills the other of two buffers: the copy's
// own use of it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "copy/HashingThread.h"
#include "core/Sha256.h"
#include "tests/support/TempFolder.h"

namespace {

// Hands `bytes` in pieces of `piece` bytes from two alternating buffers,
// each refilled as soon as the piece before it has been handed.
Sha256Digest digestThroughTwoBuffers(HashingThread& hash, const std::string& bytes, std::size_t piece) {
    std::string buffers[2] = {std::string(piece, '\0'), std::string(piece, '\0')};
    Sha256Digest digest{};
    EXPECT_TRUE(hash.begin());
    std::size_t next = 0;
    for (std::size_t at = 0; at < bytes.size(); at += piece, next ^= 1) {
        const std::size_t size = bytes.size() - at < piece ? bytes.size() - at : piece;
        std::memcpy(buffers[next].data(), bytes.data() + at, size);
        EXPECT_TRUE(hash.update(buffers[next].data(), size));
    }
    EXPECT_TRUE(hash.finish(digest));
    return digest;
}

Sha256Digest digestOf(const std::string& bytes) {
    Sha256Digest digest{};
    EXPECT_TRUE(sha256OfBytes(bytes.data(), bytes.size(), digest));
    return digest;
}

TEST(HashingThread, GivesTheDigestOfThePiecesInOrderFileAfterFile) {
    Sha256Stream stream;
    HashingThread hash(stream);
    const std::string first = patternBytes(64 * 65536 + 3, 1);
    const std::string second = patternBytes(5 * 65536, 2);
    const std::string empty;

    EXPECT_EQ(digestThroughTwoBuffers(hash, first, 65536), digestOf(first));
    // Each begin starts afresh.
    EXPECT_EQ(digestThroughTwoBuffers(hash, second, 65536), digestOf(second));
    EXPECT_EQ(digestThroughTwoBuffers(hash, empty, 65536), digestOf(empty));
}

// A copy that stops part way (a cancel, a failure) leaves a piece handed:
// the next file's begin, and the owner's end, wait for it.
TEST(HashingThread, AFileLeftPartWayDoesNotSpoilTheNext) {
    Sha256Stream stream;
    const std::string kept = patternBytes(4 * 65536, 3);
    {
        HashingThread hash(stream);
        ASSERT_TRUE(hash.begin());
        const std::string abandoned = patternBytes(65536, 4);
        ASSERT_TRUE(hash.update(abandoned.data(), abandoned.size()));
        EXPECT_EQ(digestThroughTwoBuffers(hash, kept, 65536), digestOf(kept));
        ASSERT_TRUE(hash.begin());
        ASSERT_TRUE(hash.update(kept.data(), kept.size()));
        // Ends with the piece handed: the owner waits for it.
    }
}

TEST(HashingThread, NothingToFinishWithoutABegin) {
    Sha256Stream stream;
    HashingThread hash(stream);
    Sha256Digest digest{};
    EXPECT_FALSE(hash.finish(digest));
}

}  // namespace
