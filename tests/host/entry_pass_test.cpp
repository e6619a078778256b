// The fused pass against the plain three-pass composition it replaces:
// the same stored digest, decoded bytes and plain digest for every length
// around the block boundaries and for entries of several MiB.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "package/entry_pass.h"

namespace {

TEST(EntryPass, MatchesDigestDecodeDigestForEveryLength) {
    std::mt19937 random(20261208);
    std::vector<uint32_t> lengths = {0, 1, 2, 55, 56, 63, 64, 65, 119, 120, 127, 128, 129, 191, 192, 193, 1000, 4096,
                                     4097, 5u << 20, (3u << 20) + 37};
    for (int i = 0; i < 40; ++i) lengths.push_back(random() % 20000);
    for (const uint32_t length : lengths) {
        std::vector<uint8_t> stored(length);
        for (uint8_t& byte : stored) byte = static_cast<uint8_t>(random());
        PackageStream stream;
        stream.key = random();
        for (uint8_t& byte : stream.table) byte = static_cast<uint8_t>(random());

        std::vector<uint8_t> expectedPlain(length);
        uint8_t expectedStored[MD5_DIGEST_SIZE], expectedPlainDigest[MD5_DIGEST_SIZE];
        md5Digest(stored.data(), length, expectedStored);
        applyTableStream(expectedPlain.data(), stored.data(), length, stream.key, stream.table);
        md5Digest(expectedPlain.data(), length, expectedPlainDigest);

        // A buffer with a guard byte after it, so a write past the entry shows.
        std::vector<uint8_t> plain(length + 1, 0xA5);
        uint8_t storedDigest[MD5_DIGEST_SIZE], plainDigest[MD5_DIGEST_SIZE];
        decodeAndDigest(plain.data(), stored.data(), length, &stream, storedDigest, plainDigest);
        EXPECT_EQ(0, memcmp(expectedStored, storedDigest, MD5_DIGEST_SIZE)) << length;
        EXPECT_EQ(0, memcmp(expectedPlainDigest, plainDigest, MD5_DIGEST_SIZE)) << length;
        EXPECT_TRUE(std::equal(expectedPlain.begin(), expectedPlain.end(), plain.begin())) << length;
        EXPECT_EQ(0xA5, plain[length]) << length;
    }
}

}  // namespace
