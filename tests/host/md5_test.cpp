// MD5 against the RFC 1321 test suite and against OpenSSL's MD5 at the
// padding boundaries and over a multi-megabyte buffer.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <string>
#include <vector>

#include "package/md5.h"
#include "support/bytes.h"
#include "tools/package_check.h"

namespace {

// Our digest of `data`, read from `offset` bytes into a buffer of its own.
std::string ourMd5(const std::vector<uint8_t>& data, size_t offset = 0) {
    std::vector<uint8_t> buffer(offset);
    buffer.insert(buffer.end(), data.begin(), data.end());
    uint8_t digest[MD5_DIGEST_SIZE];
    md5Digest(buffer.data() + offset, static_cast<uint32_t>(data.size()), digest);
    return digestText(digest);
}

std::string opensslMd5(const std::vector<uint8_t>& data) {
    uint8_t digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EXPECT_EQ(1, EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr));
    EXPECT_EQ(length, 16u);
    return digestText(digest);
}

TEST(Md5Digest, MatchesTheRfc1321TestSuite) {
    const struct {
        const char* message;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> data(c.message, c.message + strlen(c.message));
        EXPECT_EQ(ourMd5(data), c.digest) << "message \"" << c.message << "\"";
    }
}

TEST(Md5Digest, EmptyMessageNeedsNoData) {
    uint8_t digest[MD5_DIGEST_SIZE];
    md5Digest(nullptr, 0, digest);
    EXPECT_EQ(digestText(digest), "d41d8cd98f00b204e9800998ecf8427e");
}

// 55 is the longest tail that takes one padding block, 56 the shortest that
// takes two; 63, 64 and 65 straddle one full block; the last is several MiB.
// Each message is read from an aligned and from an odd address.
TEST(Md5Digest, AgreesWithOpensslAroundTheBlockBoundariesFromAnyAddress) {
    for (size_t length :
         {1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 127u, 128u, 129u, 2704016u + 3 * 1024 * 1024 + 7}) {
        const std::vector<uint8_t> data = patterned(length);
        const std::string expected = opensslMd5(data);
        for (size_t offset : {0u, 1u}) EXPECT_EQ(ourMd5(data, offset), expected) << length << " at offset " << offset;
    }
}

}  // namespace
