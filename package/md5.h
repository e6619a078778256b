// MD5 (RFC 1321) of one byte range in a single call.
//   md5Digest(data, length, digest): digest receives the 16 bytes in the order
//   MD5 emits them. length 0 gives the digest of the empty message (data may
//   then be null).
// The same in pieces, for a pass that does other work between the blocks:
//   md5Start, then md5Blocks over the whole 64-byte blocks, then
//   md5Finish with the rest (the last length % 64 bytes) and the total length.
#pragma once
#include <cstdint>

const uint32_t MD5_DIGEST_SIZE = 16;

struct Md5State {
    uint32_t state[4];
};

void md5Digest(const uint8_t* data, uint32_t length, uint8_t digest[MD5_DIGEST_SIZE]);

void md5Start(Md5State* md5);
void md5Blocks(Md5State* md5, const uint8_t* data, uint32_t blocks);
void md5Finish(Md5State* md5, const uint8_t* rest, uint32_t length, uint8_t digest[MD5_DIGEST_SIZE]);
