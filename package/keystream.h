// XOR keystreams and the package key schedule.
// Both streams depend only on key, table, length and position, so applying one
// twice with the same arguments restores the input. The counter runs from
// length down to 1, and the table index is counter mod 16.
//   applyTableStream: destination = source XOR table stream; in place allowed.
//   applyPlainStream: buffer XOR plain stream; -1 without a buffer.
//   startPackageSchedule / advancePackageSchedule: key and table of entry 0,
//   and of the next entry from the MD5 of this entry's stored bytes.
#pragma once
#include <cstdint>

const uint32_t PACKAGE_INITIAL_KEY = 0x6B1D94C5u;
const uint32_t STREAM_TABLE_SIZE = 16;

int applyTableStream(uint8_t* destination, const uint8_t* source, uint32_t length, uint32_t key,
                     const uint8_t table[STREAM_TABLE_SIZE]);
int applyPlainStream(uint32_t key, uint8_t* buffer, uint32_t length);

// Stream key and table under which one package entry is stored.
struct PackageStream {
    uint32_t key;
    uint8_t table[STREAM_TABLE_SIZE];
};

void startPackageSchedule(PackageStream* stream);
// table := storedDigest; key := (key * key) << 8 | table[0], all in 32 bits.
void advancePackageSchedule(PackageStream* stream, const uint8_t storedDigest[STREAM_TABLE_SIZE]);
