// MD5 against OpenSSL's MD5 at the lengths of the RFC 1321 test suite, at the
// padding boundaries and over a multi-megabyte buffer.
#include <gtest/gtest.h>
#include <openssl/evp.h>

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

TEST(Md5Digest, EmptyMessageNeedsNoData) {
    uint8_t digest[MD5_DIGEST_SIZE];
    md5Digest(nullptr, 0, digest);
    EXPECT_EQ(digestText(digest), "d41d8cd98f00b204e9800998ecf8427e");
}

// 3 to 80 are the lengths of the RFC 1321 suite; 55 is the longest tail that
// takes one padding block, 56 the shortest that takes two; 63, 64 and 65
// straddle one full block; the last is several MiB.
// Each message is read from an aligned and from an odd address.
TEST(Md5Digest, AgreesWithOpensslAroundTheBlockBoundariesFromAnyAddress) {
    for (size_t length : {1u, 3u, 14u, 26u, 55u, 56u, 57u, 62u, 63u, 64u, 65u, 80u, 119u, 120u, 127u, 128u, 129u,
                          2704016u + 3 * 1024 * 1024 + 7}) {
        const std::vector<uint8_t> data = patterned(length);
        const std::string expected = opensslMd5(data);
        for (size_t offset : {0u, 1u}) EXPECT_EQ(ourMd5(data, offset), expected) << length << " at offset " << offset;
    }
}

}  // namespace
