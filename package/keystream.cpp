// Table and plain keystreams, and the package key schedule.
// The key recurrence (add counter, square, arithmetic shift by 8) is one
// dependency chain per byte; the mask is computed beside it.
#include "package/keystream.h"

namespace {

// s read as a signed 32-bit value and shifted right by 8, so bits 24-31 copy
// its bit 31. Before C++20 the shift of a negative value is the compiler's
// choice; every compiler this builds with shifts arithmetically, and the
// assertion stops a build where that does not hold. One instruction on the
// key's dependency chain.
static_assert((-256 >> 8) == -1 && (static_cast<int32_t>(0x80000000u) >> 8) == -8388608,
              "signed right shift must be arithmetic");

inline uint32_t shiftRightArithmetic8(uint32_t s) {
    return static_cast<uint32_t>(static_cast<int32_t>(s) >> 8);
}

// One step of the key recurrence for counter c; returns the square s.
inline uint32_t nextSquare(uint32_t* k, uint32_t c) {
    *k += c;
    const uint32_t s = *k * *k;
    *k = shiftRightArithmetic8(s);
    return s;
}

}  // namespace

int applyTableStream(uint8_t* destination, const uint8_t* source, uint32_t length, uint32_t key,
                     const uint8_t table[STREAM_TABLE_SIZE]) {
    uint32_t k = key;
    for (uint32_t i = 0; i < length; ++i) {
        const uint32_t counter = length - i;
        const uint32_t s = nextSquare(&k, counter);
        // Bytes 0 and 1 of s plus the table byte, modulo 256.
        destination[i] = static_cast<uint8_t>(source[i] ^ (s + (s >> 8) + table[counter & 15]));
    }
    return 0;
}

int applyPlainStream(uint32_t key, uint8_t* buffer, uint32_t length) {
    if (buffer == nullptr) return -1;
    uint32_t k = key;
    for (uint32_t i = 0; i < length; ++i) {
        const uint32_t s = nextSquare(&k, length - i);
        buffer[i] = static_cast<uint8_t>(buffer[i] ^ (s >> 8));
    }
    return 0;
}

void startPackageSchedule(PackageStream* stream) {
    stream->key = PACKAGE_INITIAL_KEY;
    for (uint32_t i = 0; i < STREAM_TABLE_SIZE; ++i) stream->table[i] = 0;
}

void advancePackageSchedule(PackageStream* stream, const uint8_t storedDigest[STREAM_TABLE_SIZE]) {
    for (uint32_t i = 0; i < STREAM_TABLE_SIZE; ++i) stream->table[i] = storedDigest[i];
    stream->key = ((stream->key * stream->key) << 8) | stream->table[0];
}
