// The fused pass: while block b of the stored bytes is digested and decoded,
// the plain digest runs over block b - 1, which is already decoded. Each of
// the 64 steps of a block advances the stored digest, decodes one byte and
// advances the plain digest, so the three serial chains are interleaved
// instruction by instruction and the processor runs them side by side.
#include "package/entry_pass.h"

#include "package/md5_steps.h"

// GCC only; clang has no per-function optimisation level.
#if defined(__GNUC__) && !defined(__clang__)
#define OPTIMISED_FOR_SPEED __attribute__((optimize("O2")))
#else
#define OPTIMISED_FOR_SPEED
#endif

namespace {

struct BlockWork {
    md5::Md5Lane stored;
    md5::Md5Lane plain;
    uint32_t key;
    uint32_t counter;  // counter of the block's first byte
};

// Step i of block b: advances the stored digest over block b, decodes byte i
// of it and advances the plain digest over block b - 1. Where the build
// optimises for size the steps run as a loop per round (Md5Lane); elsewhere
// they are written out, with every constant an immediate.
struct FusedStep {
    BlockWork& work;
    const uint8_t* stored;
    uint8_t* plain;
    const uint8_t* previousPlain;
    const uint8_t* table;

    MD5_INLINE void decode(uint32_t i) {
        const uint32_t counter = work.counter - i;
        plain[i] = static_cast<uint8_t>(stored[i] ^ tableMask(nextKeySquare(&work.key, counter), table, counter));
    }

    template <typename Round>
    MD5_INLINE void operator()(Round, uint32_t i) {
        md5::md5RollingStep<Round::value>(work.stored, stored, i);
        decode(i);
        md5::md5RollingStep<Round::value>(work.plain, previousPlain, i);
    }

    template <typename Round, typename Position>
    MD5_INLINE void operator()(Round, Position, uint32_t g) {
        md5::md5Step<Round::value, Position::value>(storedState, stored, g);
        decode(16 * Round::value + 4 * g + Position::value);
        md5::md5Step<Round::value, Position::value>(plainState, previousPlain, g);
    }

    uint32_t storedState[4];  // the written-out form's states
    uint32_t plainState[4];
};

MD5_INLINE void addLane(md5::Md5Lane& lane, const md5::Md5Lane& before) {
    lane.a += before.a;
    lane.b += before.b;
    lane.c += before.c;
    lane.d += before.d;
}

MD5_INLINE void fusedBlock(BlockWork& work, const uint8_t* stored, uint8_t* plain,
                           const uint8_t table[STREAM_TABLE_SIZE]) {
    const md5::Md5Lane storedBefore = work.stored, plainBefore = work.plain;
#ifdef __OPTIMIZE_SIZE__
    FusedStep step = {work, stored, plain, plain - 64, table, {}, {}};
    md5::md5RollingRounds(step);
#else
    const md5::Md5Lane& s = work.stored;
    const md5::Md5Lane& p = work.plain;
    FusedStep step = {work, stored, plain, plain - 64, table, {s.a, s.b, s.c, s.d}, {p.a, p.b, p.c, p.d}};
    md5::md5Rounds(step);
    work.stored = {step.storedState[0], step.storedState[1], step.storedState[2], step.storedState[3]};
    work.plain = {step.plainState[0], step.plainState[1], step.plainState[2], step.plainState[3]};
#endif
    addLane(work.stored, storedBefore);
    addLane(work.plain, plainBefore);
}

// Blocks 1 to blocks - 1, each with the plain digest one block behind. The
// work is a local copy: the byte stores could alias anything reached through
// a pointer and would keep the states in memory. Optimised for speed even
// where the build optimises for size: this loop is where the installer
// spends its time, and -O2 runs it about a fifth faster.
OPTIMISED_FOR_SPEED BlockWork fusedBlocks(BlockWork work, const uint8_t* stored, uint8_t* plain, uint32_t blocks,
                                          const uint8_t table[STREAM_TABLE_SIZE]) {
    for (uint32_t b = 1; b < blocks; ++b, work.counter -= 64)
        fusedBlock(work, stored + 64 * b, plain + 64 * b, table);
    return work;
}

}  // namespace

void decodeAndDigest(uint8_t* plain, const uint8_t* stored, uint32_t length, const PackageStream* stream,
                     uint8_t storedDigest[MD5_DIGEST_SIZE], uint8_t plainDigest[MD5_DIGEST_SIZE]) {
    Md5State storedMd5, plainMd5;
    md5Start(&storedMd5);
    md5Start(&plainMd5);
    uint32_t key = stream->key;
    const uint32_t blocks = length / 64;
    if (blocks > 0) {
        // Block 0 alone, which starts the pipeline; the last block's plain digest ends it.
        md5Blocks(&storedMd5, stored, 1);
        continueTableStream(plain, stored, 64, &key, length, stream->table);
        const BlockWork start = {{storedMd5.state[0], storedMd5.state[1], storedMd5.state[2], storedMd5.state[3]},
                                 {plainMd5.state[0], plainMd5.state[1], plainMd5.state[2], plainMd5.state[3]},
                                 key,
                                 length - 64};
        const BlockWork work = fusedBlocks(start, stored, plain, blocks, stream->table);
        storedMd5 = {{work.stored.a, work.stored.b, work.stored.c, work.stored.d}};
        plainMd5 = {{work.plain.a, work.plain.b, work.plain.c, work.plain.d}};
        key = work.key;
        md5Blocks(&plainMd5, plain + 64 * (blocks - 1), 1);
    }
    const uint32_t done = 64 * blocks;
    continueTableStream(plain + done, stored + done, length - done, &key, length - done, stream->table);
    md5Finish(&storedMd5, stored + done, length, storedDigest);
    md5Finish(&plainMd5, plain + done, length, plainDigest);
}

// The installer compiles its sources as one unit: the macro ends with this file.
#undef OPTIMISED_FOR_SPEED
