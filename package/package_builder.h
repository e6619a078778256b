// Builds a package from two files in header order (entry 0 the application,
// entry 1 the read-me): header with names, offsets, sizes, plain digests and
// the reserved value, then the stored bytes encoded by the key schedule.
//   packageBuildSize: bytes the package needs, or 0 when it would not fit in
//   32 bits.
//   buildPackage: writes the package into output; -1 when a name is unsafe,
//   longer than 127 characters or names the same file as the other entry,
//   -2 when output is too small.
#pragma once
#include <cstdint>
#include "package/package_format.h"

struct PackageFile {
    const char* name;
    const uint8_t* bytes;
    uint32_t size;
};

uint32_t packageBuildSize(const PackageFile files[PACKAGE_ENTRY_COUNT]);
int buildPackage(const PackageFile files[PACKAGE_ENTRY_COUNT], uint8_t* output, uint32_t capacity);
