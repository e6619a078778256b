// MD5 as RFC 1321 publishes it, over the steps of md5_steps.h: rotations and
// round functions are compile-time constants so that the compiler keeps the
// state in registers, and message words are loaded with memcpy (one
// unaligned little-endian load on x86).
#include "package/md5.h"

#include "package/md5_steps.h"

namespace {

// A step of the digest alone, written out; forced inline like the steps.
struct DigestStep {
    uint32_t* state;
    const uint8_t* block;

    template <typename Round, typename Position>
    MD5_INLINE void operator()(Round, Position, uint32_t g) {
        md5::md5Step<Round::value, Position::value>(state, block, g);
    }
};

// The same in the compact form.
struct RollingDigestStep {
    md5::Md5Lane& lane;
    const uint8_t* block;

    template <typename Round>
    MD5_INLINE void operator()(Round, uint32_t i) {
        md5::md5RollingStep<Round::value>(lane, block, i);
    }
};

inline void storeWord(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void md5Start(Md5State* md5) {
    md5->state[0] = 0x67452301u;
    md5->state[1] = 0xefcdab89u;
    md5->state[2] = 0x98badcfeu;
    md5->state[3] = 0x10325476u;
}

void md5Blocks(Md5State* md5, const uint8_t* data, uint32_t blocks) {
    uint32_t* state = md5->state;
    for (; blocks > 0; --blocks, data += 64) {
        // Written out where the build optimises for speed (MD5 alone then keeps
        // pace with OpenSSL's); compact in the installer, which optimises for
        // size and digests its entries in the fused pass instead.
#ifdef __OPTIMIZE_SIZE__
        md5::Md5Lane lane = {state[0], state[1], state[2], state[3]};
        RollingDigestStep step = {lane, data};
        md5::md5RollingRounds(step);
        const uint32_t working[4] = {lane.a, lane.b, lane.c, lane.d};
#else
        uint32_t working[4] = {state[0], state[1], state[2], state[3]};
        DigestStep step = {working, data};
        md5::md5Rounds(step);
#endif
        for (int i = 0; i < 4; ++i) state[i] += working[i];
    }
}

void md5Finish(Md5State* md5, const uint8_t* rest, uint32_t length, uint8_t digest[MD5_DIGEST_SIZE]) {
    // The tail, the 0x80 byte, zero fill and the 64-bit bit length take one or
    // two more blocks.
    uint8_t tail[128] = {0};
    const uint32_t restLength = length % 64;
    for (uint32_t i = 0; i < restLength; ++i) tail[i] = rest[i];
    tail[restLength] = 0x80;
    const uint32_t tailSize = restLength < 56 ? 64 : 128;
    const uint64_t bits = static_cast<uint64_t>(length) * 8;
    storeWord(tail + tailSize - 8, static_cast<uint32_t>(bits));
    storeWord(tail + tailSize - 4, static_cast<uint32_t>(bits >> 32));
    md5Blocks(md5, tail, tailSize / 64);
    for (int i = 0; i < 4; ++i) storeWord(digest + 4 * i, md5->state[i]);
}

void md5Digest(const uint8_t* data, uint32_t length, uint8_t digest[MD5_DIGEST_SIZE]) {
    Md5State md5;
    md5Start(&md5);
    const uint32_t whole = length / 64;
    if (whole > 0) md5Blocks(&md5, data, whole);
    md5Finish(&md5, data + whole * 64, length, digest);
}
