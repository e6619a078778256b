// Byte-range operations, including their same-address and zero-count rules.
#include <gtest/gtest.h>

#include <cstring>

#include "core/bytes.h"

namespace {

TEST(ByteRanges, CopyBytesCopiesExactlyCountBytesAndNothingOntoItself) {
    uint8_t source[6] = {1, 2, 3, 4, 5, 6};
    uint8_t destination[6] = {9, 9, 9, 9, 9, 9};
    copyBytes(destination, source, 4);
    copyBytes(destination + 4, source, 0);
    copyBytes(source, source, 6);
    const uint8_t expected[6] = {1, 2, 3, 4, 9, 9}, original[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(0, memcmp(destination, expected, 6));
    EXPECT_EQ(0, memcmp(source, original, 6));
}

TEST(ByteRanges, EqualBytesReportsTheFirstDifference) {
    const uint8_t a[4] = {1, 2, 3, 4};
    const uint8_t b[4] = {1, 2, 3, 5};
    const struct {
        const void* first;
        const void* second;
        uint32_t count;
        int expected;
    } cases[] = {
        {a, b, 3, 1},              // equal up to the difference
        {a, b, 4, 0},              // differs in the last byte
        {a, a, 4, 1},              // same address
        {a, b + 1, 0, 1},          // zero bytes
        {nullptr, nullptr, 0, 1},  // nothing at all
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, equalBytes(c.first, c.second, c.count)) << c.count;
}

TEST(ByteRanges, ZeroBytesClearsOnlyCountBytes) {
    uint8_t bytes[5] = {1, 2, 3, 4, 5};
    zeroBytes(bytes + 1, 3);
    const uint8_t expected[5] = {1, 0, 0, 0, 5};
    EXPECT_EQ(0, memcmp(bytes, expected, 5));
}

}  // namespace
