// MD5 as RFC 1321 publishes it. The 64 steps are written out so that the
// compiler keeps the state in registers; message words are loaded with memcpy
// (one unaligned little-endian load on x86) and each step adds its constant
// and word before the round function so that those adds leave the chain.
#include "package/md5.h"
#include <cstring>

namespace {

// The steps are forced inline even where the build optimises for size: the
// calls, with their seven arguments, take more code than the steps.
#define MD5_INLINE __attribute__((always_inline)) inline

MD5_INLINE uint32_t loadWord(const uint8_t* p) {
    uint32_t value;
    memcpy(&value, p, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap32(value);
#endif
    return value;
}

inline void storeWord(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

MD5_INLINE uint32_t rotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// F, H and I in their cheapest equivalent forms. G's two terms never share a
// set bit, so they are added instead of OR-ed, which lets both adds start
// before b is known.
MD5_INLINE void stepF(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t w, int s, uint32_t t) {
    a += w + t;
    a += d ^ (b & (c ^ d));
    a = rotateLeft(a, s) + b;
}

MD5_INLINE void stepG(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t w, int s, uint32_t t) {
    a += w + t;
    a += ~d & c;
    a += d & b;
    a = rotateLeft(a, s) + b;
}

MD5_INLINE void stepH(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t w, int s, uint32_t t) {
    a += w + t;
    a += b ^ c ^ d;
    a = rotateLeft(a, s) + b;
}

MD5_INLINE void stepI(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t w, int s, uint32_t t) {
    a += w + t;
    a += c ^ (b | ~d);
    a = rotateLeft(a, s) + b;
}

void md5Blocks(uint32_t state[4], const uint8_t* data, uint32_t blocks) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks > 0; --blocks, data += 64) {
        const uint32_t x0 = loadWord(data + 0), x1 = loadWord(data + 4), x2 = loadWord(data + 8),
                       x3 = loadWord(data + 12), x4 = loadWord(data + 16), x5 = loadWord(data + 20),
                       x6 = loadWord(data + 24), x7 = loadWord(data + 28), x8 = loadWord(data + 32),
                       x9 = loadWord(data + 36), x10 = loadWord(data + 40), x11 = loadWord(data + 44),
                       x12 = loadWord(data + 48), x13 = loadWord(data + 52), x14 = loadWord(data + 56),
                       x15 = loadWord(data + 60);
        const uint32_t aa = a, bb = b, cc = c, dd = d;

        stepF(a, b, c, d, x0, 7, 0xd76aa478u);
        stepF(d, a, b, c, x1, 12, 0xe8c7b756u);
        stepF(c, d, a, b, x2, 17, 0x242070dbu);
        stepF(b, c, d, a, x3, 22, 0xc1bdceeeu);
        stepF(a, b, c, d, x4, 7, 0xf57c0fafu);
        stepF(d, a, b, c, x5, 12, 0x4787c62au);
        stepF(c, d, a, b, x6, 17, 0xa8304613u);
        stepF(b, c, d, a, x7, 22, 0xfd469501u);
        stepF(a, b, c, d, x8, 7, 0x698098d8u);
        stepF(d, a, b, c, x9, 12, 0x8b44f7afu);
        stepF(c, d, a, b, x10, 17, 0xffff5bb1u);
        stepF(b, c, d, a, x11, 22, 0x895cd7beu);
        stepF(a, b, c, d, x12, 7, 0x6b901122u);
        stepF(d, a, b, c, x13, 12, 0xfd987193u);
        stepF(c, d, a, b, x14, 17, 0xa679438eu);
        stepF(b, c, d, a, x15, 22, 0x49b40821u);

        stepG(a, b, c, d, x1, 5, 0xf61e2562u);
        stepG(d, a, b, c, x6, 9, 0xc040b340u);
        stepG(c, d, a, b, x11, 14, 0x265e5a51u);
        stepG(b, c, d, a, x0, 20, 0xe9b6c7aau);
        stepG(a, b, c, d, x5, 5, 0xd62f105du);
        stepG(d, a, b, c, x10, 9, 0x02441453u);
        stepG(c, d, a, b, x15, 14, 0xd8a1e681u);
        stepG(b, c, d, a, x4, 20, 0xe7d3fbc8u);
        stepG(a, b, c, d, x9, 5, 0x21e1cde6u);
        stepG(d, a, b, c, x14, 9, 0xc33707d6u);
        stepG(c, d, a, b, x3, 14, 0xf4d50d87u);
        stepG(b, c, d, a, x8, 20, 0x455a14edu);
        stepG(a, b, c, d, x13, 5, 0xa9e3e905u);
        stepG(d, a, b, c, x2, 9, 0xfcefa3f8u);
        stepG(c, d, a, b, x7, 14, 0x676f02d9u);
        stepG(b, c, d, a, x12, 20, 0x8d2a4c8au);

        stepH(a, b, c, d, x5, 4, 0xfffa3942u);
        stepH(d, a, b, c, x8, 11, 0x8771f681u);
        stepH(c, d, a, b, x11, 16, 0x6d9d6122u);
        stepH(b, c, d, a, x14, 23, 0xfde5380cu);
        stepH(a, b, c, d, x1, 4, 0xa4beea44u);
        stepH(d, a, b, c, x4, 11, 0x4bdecfa9u);
        stepH(c, d, a, b, x7, 16, 0xf6bb4b60u);
        stepH(b, c, d, a, x10, 23, 0xbebfbc70u);
        stepH(a, b, c, d, x13, 4, 0x289b7ec6u);
        stepH(d, a, b, c, x0, 11, 0xeaa127fau);
        stepH(c, d, a, b, x3, 16, 0xd4ef3085u);
        stepH(b, c, d, a, x6, 23, 0x04881d05u);
        stepH(a, b, c, d, x9, 4, 0xd9d4d039u);
        stepH(d, a, b, c, x12, 11, 0xe6db99e5u);
        stepH(c, d, a, b, x15, 16, 0x1fa27cf8u);
        stepH(b, c, d, a, x2, 23, 0xc4ac5665u);

        stepI(a, b, c, d, x0, 6, 0xf4292244u);
        stepI(d, a, b, c, x7, 10, 0x432aff97u);
        stepI(c, d, a, b, x14, 15, 0xab9423a7u);
        stepI(b, c, d, a, x5, 21, 0xfc93a039u);
        stepI(a, b, c, d, x12, 6, 0x655b59c3u);
        stepI(d, a, b, c, x3, 10, 0x8f0ccc92u);
        stepI(c, d, a, b, x10, 15, 0xffeff47du);
        stepI(b, c, d, a, x1, 21, 0x85845dd1u);
        stepI(a, b, c, d, x8, 6, 0x6fa87e4fu);
        stepI(d, a, b, c, x15, 10, 0xfe2ce6e0u);
        stepI(c, d, a, b, x6, 15, 0xa3014314u);
        stepI(b, c, d, a, x13, 21, 0x4e0811a1u);
        stepI(a, b, c, d, x4, 6, 0xf7537e82u);
        stepI(d, a, b, c, x11, 10, 0xbd3af235u);
        stepI(c, d, a, b, x2, 15, 0x2ad7d2bbu);
        stepI(b, c, d, a, x9, 21, 0xeb86d391u);

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

}  // namespace

void md5Digest(const uint8_t* data, uint32_t length, uint8_t digest[MD5_DIGEST_SIZE]) {
    uint32_t state[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    const uint32_t whole = length / 64;
    if (whole > 0) md5Blocks(state, data, whole);

    // The tail, the 0x80 byte, zero fill and the 64-bit bit length take one or
    // two more blocks.
    uint8_t tail[128] = {0};
    const uint32_t rest = length % 64;
    if (rest > 0) memcpy(tail, data + whole * 64, rest);
    tail[rest] = 0x80;
    const uint32_t tailSize = rest < 56 ? 64 : 128;
    const uint64_t bits = static_cast<uint64_t>(length) * 8;
    storeWord(tail + tailSize - 8, static_cast<uint32_t>(bits));
    storeWord(tail + tailSize - 4, static_cast<uint32_t>(bits >> 32));
    md5Blocks(state, tail, tailSize / 64);

    for (int i = 0; i < 4; ++i) storeWord(digest + 4 * i, state[i]);
}
