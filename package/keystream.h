// XOR keystreams and the package key schedule.
// Both streams depend only on key, table, length and position, so applying one
// twice with the same arguments restores the input. The counter runs from
// length down to 1, and the table index is counter mod 16.
//   applyTableStream: destination = source XOR table stream; in place allowed.
//   applyPlainStream: buffer XOR plain stream; -1 without a buffer.
//   continueTableStream: a piece of a table stream, for a pass that decodes
//   block by block.
//   startPackageSchedule / advancePackageSchedule: key and table of entry 0,
//   and of the next entry from the MD5 of this entry's stored bytes.
#pragma once
#include <cstdint>

const uint32_t PACKAGE_INITIAL_KEY = 0x6B1D94C5u;
const uint32_t STREAM_TABLE_SIZE = 16;

// s read as a signed 32-bit value and shifted right by 8, so bits 24-31 copy
// its bit 31. Before C++20 the shift of a negative value is the compiler's
// choice; every compiler this builds with shifts arithmetically, and the
// assertion stops a build where that does not hold. One instruction on the
// key's dependency chain.
static_assert((-256 >> 8) == -1 && (static_cast<int32_t>(0x80000000u) >> 8) == -8388608,
              "signed right shift must be arithmetic");

// One step of the key recurrence for counter c: k += c, s = k * k, k = s
// shifted right arithmetically by 8; returns s.
inline uint32_t nextKeySquare(uint32_t* k, uint32_t c) {
    *k += c;
    const uint32_t s = *k * *k;
    *k = static_cast<uint32_t>(static_cast<int32_t>(s) >> 8);
    return s;
}

// The table stream's mask for counter c: bytes 0 and 1 of s plus the table
// byte, modulo 256.
inline uint8_t tableMask(uint32_t s, const uint8_t table[STREAM_TABLE_SIZE], uint32_t c) {
    return static_cast<uint8_t>(s + (s >> 8) + table[c & 15]);
}

int applyTableStream(uint8_t* destination, const uint8_t* source, uint32_t length, uint32_t key,
                     const uint8_t table[STREAM_TABLE_SIZE]);
int applyPlainStream(uint32_t key, uint8_t* buffer, uint32_t length);
// The table stream from the middle of a range: count bytes whose first has
// counter `counter`, with the working key *key, which is left advanced.
void continueTableStream(uint8_t* destination, const uint8_t* source, uint32_t count, uint32_t* key,
                         uint32_t counter, const uint8_t table[STREAM_TABLE_SIZE]);

// Stream key and table under which one package entry is stored.
struct PackageStream {
    uint32_t key;
    uint8_t table[STREAM_TABLE_SIZE];
};

void startPackageSchedule(PackageStream* stream);
// table := storedDigest; key := (key * key) << 8 | table[0], all in 32 bits.
void advancePackageSchedule(PackageStream* stream, const uint8_t storedDigest[STREAM_TABLE_SIZE]);
