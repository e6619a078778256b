// MD5 (RFC 1321) of one byte range in a single call.
//   md5Digest(data, length, digest): digest receives the 16 bytes in the order
//   MD5 emits them. length 0 gives the digest of the empty message (data may
//   then be null).
#pragma once
#include <cstdint>

const uint32_t MD5_DIGEST_SIZE = 16;

void md5Digest(const uint8_t* data, uint32_t length, uint8_t digest[MD5_DIGEST_SIZE]);
