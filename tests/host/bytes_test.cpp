// Byte-range operations, including their same-address and zero-count rules.
#include <gtest/gtest.h>

#include <cstring>

#include "core/bytes.h"

namespace {

TEST(ByteRanges, CopyBytesCopiesExactlyCountBytes) {
    uint8_t source[6] = {1, 2, 3, 4, 5, 6};
    uint8_t destination[6] = {9, 9, 9, 9, 9, 9};
    copyBytes(destination, source, 4);
    const uint8_t expected[6] = {1, 2, 3, 4, 9, 9};
    EXPECT_EQ(0, memcmp(destination, expected, 6));
}

TEST(ByteRanges, CopyBytesOntoItselfOrOfNothingChangesNothing) {
    uint8_t bytes[4] = {1, 2, 3, 4};
    copyBytes(bytes, bytes, 4);
    uint8_t other[4] = {7, 7, 7, 7};
    copyBytes(other, bytes, 0);
    const uint8_t original[4] = {1, 2, 3, 4};
    const uint8_t untouched[4] = {7, 7, 7, 7};
    EXPECT_EQ(0, memcmp(bytes, original, 4));
    EXPECT_EQ(0, memcmp(other, untouched, 4));
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
