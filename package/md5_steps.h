// The steps of an MD5 block (RFC 1321) as templates, so that the plain digest
// and the fused entry pass share one description of them. Inside the package
// code only.
//   md5Step<R, Q>(state, block, g): one step on state[4] (the roles of a, b,
//   c and d rotate by one each step); md5Rounds(step) calls
//   step(round, position, g) for the 64 steps, written out (fast);
//   md5RollingStep<R>(lane, block, i): one step on a Md5Lane, whose names
//   rotate; md5RollingRounds(step) calls step(round, i) as a loop per round
//   (compact).
#pragma once
#include <cstdint>
#include <cstring>
#include <type_traits>

// Forced inline even where the build optimises for size: a call per step,
// with its arguments, takes more code than the step.
#define MD5_INLINE __attribute__((always_inline)) inline

namespace md5 {

// inline: one table in the program, not one per file that includes this.
inline constexpr uint32_t ADDITIVE[64] = {
    0xd76aa478u, 0xe8c7b756u, 0x242070dbu, 0xc1bdceeeu, 0xf57c0fafu, 0x4787c62au, 0xa8304613u, 0xfd469501u,
    0x698098d8u, 0x8b44f7afu, 0xffff5bb1u, 0x895cd7beu, 0x6b901122u, 0xfd987193u, 0xa679438eu, 0x49b40821u,
    0xf61e2562u, 0xc040b340u, 0x265e5a51u, 0xe9b6c7aau, 0xd62f105du, 0x02441453u, 0xd8a1e681u, 0xe7d3fbc8u,
    0x21e1cde6u, 0xc33707d6u, 0xf4d50d87u, 0x455a14edu, 0xa9e3e905u, 0xfcefa3f8u, 0x676f02d9u, 0x8d2a4c8au,
    0xfffa3942u, 0x8771f681u, 0x6d9d6122u, 0xfde5380cu, 0xa4beea44u, 0x4bdecfa9u, 0xf6bb4b60u, 0xbebfbc70u,
    0x289b7ec6u, 0xeaa127fau, 0xd4ef3085u, 0x04881d05u, 0xd9d4d039u, 0xe6db99e5u, 0x1fa27cf8u, 0xc4ac5665u,
    0xf4292244u, 0x432aff97u, 0xab9423a7u, 0xfc93a039u, 0x655b59c3u, 0x8f0ccc92u, 0xffeff47du, 0x85845dd1u,
    0x6fa87e4fu, 0xfe2ce6e0u, 0xa3014314u, 0x4e0811a1u, 0xf7537e82u, 0xbd3af235u, 0x2ad7d2bbu, 0xeb86d391u};

inline constexpr uint8_t ROTATION[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

MD5_INLINE uint32_t loadWord(const uint8_t* p) {
    uint32_t value;
    memcpy(&value, p, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap32(value);
#endif
    return value;
}

MD5_INLINE uint32_t rotateLeft(uint32_t x, uint32_t n) { return (x << n) | (x >> (32 - n)); }

// Step i = 16 * R + q of a block in round R: returns the new value of a.
// The constant and the word are added first, off the chain through b. F, H
// and I take their cheapest equivalent forms; G's two terms never share a
// set bit, so they are added instead of OR-ed, which lets both adds start
// before b is known.
template <int R>
MD5_INLINE uint32_t md5StepValue(uint32_t a, uint32_t b, uint32_t c, uint32_t d, const uint8_t* block, uint32_t i,
                                 uint32_t rotation) {
    const uint32_t word = R == 0 ? i % 16 : R == 1 ? (1 + 5 * i) % 16 : R == 2 ? (5 + 3 * i) % 16 : (7 * i) % 16;
    a += loadWord(block + 4 * word) + ADDITIVE[i];
    if (R == 0) {
        a += d ^ (b & (c ^ d));
    } else if (R == 1) {
        a += ~d & c;
        a += d & b;
    } else if (R == 2) {
        a += b ^ c ^ d;
    } else {
        a += c ^ (b | ~d);
    }
    return rotateLeft(a, rotation) + b;
}

// Step i = 16 * R + 4 * g + Q with round R and position Q in a group of four
// fixed at compile time: after a group of four steps the roles of a, b, c
// and d are back where they began, so the state stays in place and each
// step's rotation is a constant.
template <int R, int Q>
MD5_INLINE void md5Step(uint32_t state[4], const uint8_t* block, uint32_t g) {
    uint32_t& a = state[(4 - Q) % 4];
    a = md5StepValue<R>(a, state[(5 - Q) % 4], state[(6 - Q) % 4], state[(7 - Q) % 4], block, 16 * R + 4 * g + Q,
                        ROTATION[R][Q]);
}

// One block's 64 steps written out: step(round, position, g) for each, with
// round and position as std::integral_constant (usable as md5Step's
// template arguments) and g the group. Every constant and word offset is an
// immediate: MD5 alone at full speed.
template <int R, typename Step>
MD5_INLINE void md5Group(Step& step, uint32_t g) {
    step(std::integral_constant<int, R>(), std::integral_constant<int, 0>(), g);
    step(std::integral_constant<int, R>(), std::integral_constant<int, 1>(), g);
    step(std::integral_constant<int, R>(), std::integral_constant<int, 2>(), g);
    step(std::integral_constant<int, R>(), std::integral_constant<int, 3>(), g);
}

template <int R, typename Step>
MD5_INLINE void md5Round(Step& step) {
    md5Group<R>(step, 0);
    md5Group<R>(step, 1);
    md5Group<R>(step, 2);
    md5Group<R>(step, 3);
}

template <typename Step>
MD5_INLINE void md5Rounds(Step& step) {
    md5Round<0>(step);
    md5Round<1>(step);
    md5Round<2>(step);
    md5Round<3>(step);
}

// The compact form: the state of one chain under the names of the current
// step, renamed after each step (the next step's a is this one's d), so a
// round is one loop over its 16 steps and the code holds one step per round.
struct Md5Lane {
    uint32_t a, b, c, d;
};

template <int R>
MD5_INLINE void md5RollingStep(Md5Lane& lane, const uint8_t* block, uint32_t i) {
    const uint32_t a = md5StepValue<R>(lane.a, lane.b, lane.c, lane.d, block, i, ROTATION[R][i % 4]);
    lane = {lane.d, a, lane.b, lane.c};
}

// step(round, i) for the 64 steps, round as std::integral_constant and i
// counted at run time. 16 steps rename each lane back to where it began.
template <typename Step>
MD5_INLINE void md5RollingRounds(Step& step) {
    for (uint32_t i = 0; i < 16; ++i) step(std::integral_constant<int, 0>(), i);
    for (uint32_t i = 16; i < 32; ++i) step(std::integral_constant<int, 1>(), i);
    for (uint32_t i = 32; i < 48; ++i) step(std::integral_constant<int, 2>(), i);
    for (uint32_t i = 48; i < 64; ++i) step(std::integral_constant<int, 3>(), i);
}

}  // namespace md5
