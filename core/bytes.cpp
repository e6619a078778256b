// Plain counted byte-range operations.
#include "core/bytes.h"

void copyBytes(void* destination, const void* source, uint32_t count) {
    if (destination == source || count == 0) return;
    uint8_t* to = static_cast<uint8_t*>(destination);
    const uint8_t* from = static_cast<const uint8_t*>(source);
    for (uint32_t i = 0; i < count; ++i) to[i] = from[i];
}

int equalBytes(const void* first, const void* second, uint32_t count) {
    if (first == second || count == 0) return 1;
    const uint8_t* a = static_cast<const uint8_t*>(first);
    const uint8_t* b = static_cast<const uint8_t*>(second);
    for (uint32_t i = 0; i < count; ++i) {
        if (a[i] != b[i]) return 0;
    }
    return 1;
}

void zeroBytes(void* destination, uint32_t count) {
    uint8_t* to = static_cast<uint8_t*>(destination);
    for (uint32_t i = 0; i < count; ++i) to[i] = 0;
}
