// Keystreams: fixed vectors worked out by hand from the algorithm (which also
// pin the counter running down from the length), the table index by counter,
// and the package key schedule. Encoding and decoding agree in the
// round trips of the extraction and package tool tests.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "package/keystream.h"

namespace {

std::vector<uint8_t> tableStreamOf(const std::vector<uint8_t>& source, uint32_t key, const uint8_t* table) {
    std::vector<uint8_t> out(source.size());
    EXPECT_EQ(0, applyTableStream(out.data(), source.data(), static_cast<uint32_t>(source.size()), key, table));
    return out;
}

std::vector<uint8_t> plainStreamOf(std::vector<uint8_t> buffer, uint32_t key) {
    EXPECT_EQ(0, applyPlainStream(key, buffer.data(), static_cast<uint32_t>(buffer.size())));
    return buffer;
}

const uint8_t kZeroTable[STREAM_TABLE_SIZE] = {0};
// table[i] = 0x10 * i
const uint8_t kStepTable[STREAM_TABLE_SIZE] = {0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70,
                                               0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0};

// Worked by hand; each line is counter c, k := k + c, s := k * k (low 32
// bits), the mask m, then the next k := s >> 8 with the sign of s copied.
//
// Plain stream, key 0x100, two zero bytes:
//   c=2  k=0x102  s=0x10404  m=bits 8-15=0x04  k=0x104
//   c=1  k=0x105  s=0x10A19  m=0x0A
// Table stream, key 0x100, table[i]=0x10*i, three zero bytes:
//   c=3  k=0x103  s=0x10609  m=0x09+0x06+table[3]=0x3F  k=0x106
//   c=2  k=0x108  s=0x11040  m=0x40+0x10+table[2]=0x70  k=0x110
//   c=1  k=0x111  s=0x12321  m=0x21+0x23+table[1]=0x54
// Plain stream, key 0xB501, four zero bytes; 0xB505^2 = 0x80001219 has bit
// 31 set, so the next k has its top 8 bits set:
//   c=4  k=0x0000B505  s=0x80001219  m=0x12  k=0xFF800012
//   c=3  k=0xFF800015  s=0xEB0001B9  m=0x01  k=0xFFEB0001
//   c=2  k=0xFFEB0003  s=0xFF820009  m=0x00  k=0xFFFF8200
//   c=1  k=0xFFFF8201  s=0x3E030401  m=0x04
// (a logical shift gives k=0x00800012, ... and a last mask of 0xFC).
// Table stream, same key and four zero bytes, table[i]=0x10*i: the same
// squares give m = s0+s1+table[c]:
//   c=4  0x19+0x12+0x40=0x6B;  c=3  0xB9+0x01+0x30=0xEA;
//   c=2  0x09+0x00+0x20=0x29;  c=1  0x01+0x04+0x10=0x15.
TEST(Keystream, FixedVectorsWorkedByHand) {
    EXPECT_EQ(plainStreamOf({0, 0}, 0x100), (std::vector<uint8_t>{0x04, 0x0A}));
    EXPECT_EQ(tableStreamOf({0, 0, 0}, 0x100, kStepTable), (std::vector<uint8_t>{0x3F, 0x70, 0x54}));
    EXPECT_EQ(plainStreamOf({0, 0, 0, 0}, 0xB501), (std::vector<uint8_t>{0x12, 0x01, 0x00, 0x04}));
    EXPECT_EQ(tableStreamOf({0, 0, 0, 0}, 0xB501, kStepTable), (std::vector<uint8_t>{0x6B, 0xEA, 0x29, 0x15}));
    // XOR with data: the masks of the first vector applied to 0xFF, 0x0F.
    EXPECT_EQ(plainStreamOf({0xFF, 0x0F}, 0x100), (std::vector<uint8_t>{0xFB, 0x05}));
}

TEST(Keystream, EmptyRangeOrMissingBufferChangesNothing) {
    uint8_t bytes[2] = {0xAA, 0x55};
    EXPECT_EQ(0, applyTableStream(bytes, bytes, 0, 0x1234, kStepTable));
    EXPECT_EQ(0, applyPlainStream(0x1234, bytes, 0));
    EXPECT_EQ(0xAA, bytes[0]);
    EXPECT_EQ(0x55, bytes[1]);
    EXPECT_EQ(-1, applyPlainStream(0x1234, nullptr, 4));
}

// A change of table[t] alone changes exactly the bytes whose counter c has
// c mod 16 == t, by the change itself.
TEST(Keystream, TableIndexFollowsTheCounter) {
    const struct {
        uint32_t length;
        uint32_t tableIndex;
        std::vector<size_t> positions;
    } cases[] = {
        {16, 0, {0}},       // counter 16 at position 0
        {16, 1, {15}},      // counter 1 at the last position
        {20, 4, {0, 16}},   // counters 20 and 4
        {20, 0, {4}},       // counter 16
        {20, 1, {3, 19}},   // counters 17 and 1
    };
    for (const auto& c : cases) {
        uint8_t changed[STREAM_TABLE_SIZE] = {0};
        changed[c.tableIndex] = 0x5A;
        const std::vector<uint8_t> zeros(c.length, 0);
        const std::vector<uint8_t> a = tableStreamOf(zeros, 0x2468ACE1u, kZeroTable);
        const std::vector<uint8_t> b = tableStreamOf(zeros, 0x2468ACE1u, changed);
        std::vector<size_t> differing;
        for (size_t i = 0; i < a.size(); ++i) {
            if (a[i] != b[i]) {
                differing.push_back(i);
                EXPECT_EQ(0x5A, static_cast<uint8_t>(b[i] - a[i])) << "position " << i;
            }
        }
        EXPECT_EQ(differing, c.positions) << "length " << c.length << " table index " << c.tableIndex;
    }
}

// It starts with the initial key and a zero table. 0x6B1D94C5^2 =
// 0x2CD1BDC7B9165F99, low 32 bits 0xB9165F99; shifted left by 8 its top byte
// 0xB9 falls away: 0x165F9900; OR the stored digest's first byte 0xAB. The
// digest becomes the table.
TEST(PackageSchedule, StartsFromTheInitialKeyAndAdvancesFromTheStoredDigest) {
    const uint8_t digest[STREAM_TABLE_SIZE] = {0xAB, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    PackageStream stream;
    stream.key = 0;
    for (auto& b : stream.table) b = 0xEE;
    startPackageSchedule(&stream);
    EXPECT_EQ(0x6B1D94C5u, stream.key);
    for (uint8_t b : stream.table) EXPECT_EQ(0, b);
    advancePackageSchedule(&stream, digest);
    EXPECT_EQ(0x165F99ABu, stream.key);
    EXPECT_EQ(0, memcmp(stream.table, digest, STREAM_TABLE_SIZE));
}

}  // namespace
