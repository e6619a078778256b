// Table and plain keystreams, and the package key schedule.
// The key recurrence (add counter, square, arithmetic shift by 8) is one
// dependency chain per byte; the mask is computed beside it.
#include "package/keystream.h"

void continueTableStream(uint8_t* destination, const uint8_t* source, uint32_t count, uint32_t* key,
                         uint32_t counter, const uint8_t table[STREAM_TABLE_SIZE]) {
    // A local key: the byte stores could alias *key and would otherwise
    // put a store and a load on the chain.
    uint32_t k = *key;
    for (uint32_t i = 0; i < count; ++i, --counter) {
        destination[i] = static_cast<uint8_t>(source[i] ^ tableMask(nextKeySquare(&k, counter), table, counter));
    }
    *key = k;
}

int applyTableStream(uint8_t* destination, const uint8_t* source, uint32_t length, uint32_t key,
                     const uint8_t table[STREAM_TABLE_SIZE]) {
    continueTableStream(destination, source, length, &key, length, table);
    return 0;
}

int applyPlainStream(uint32_t key, uint8_t* buffer, uint32_t length) {
    if (buffer == nullptr) return -1;
    uint32_t k = key;
    for (uint32_t i = 0; i < length; ++i) {
        const uint32_t s = nextKeySquare(&k, length - i);
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
