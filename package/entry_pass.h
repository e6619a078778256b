// One pass over one package entry: digests its stored bytes, decodes them
// into `plain` and digests the plain bytes, 64-byte block by block, with the
// two MD5 chains and the key chain advanced side by side so that they
// overlap. The results are exactly those of md5Digest(stored),
// applyTableStream(plain, stored, ...) and md5Digest(plain).
//   decodeAndDigest(plain, stored, length, stream, storedDigest, plainDigest)
// `plain` must not overlap `stored`; both may be null when length is 0.
#pragma once
#include <cstdint>

#include "package/keystream.h"
#include "package/md5.h"

void decodeAndDigest(uint8_t* plain, const uint8_t* stored, uint32_t length, const PackageStream* stream,
                     uint8_t storedDigest[MD5_DIGEST_SIZE], uint8_t plainDigest[MD5_DIGEST_SIZE]);
