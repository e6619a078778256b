// Extraction of the package from its resource bytes in memory.
//   extractPackageBytes(resource, size, header, installFolder, onlyName, writer)
// refreshes `header` from the resource when it is larger than the header,
// then for entry 0 and entry 1: checks bounds, digests the stored bytes,
// decodes them into a buffer from the writer, verifies the plain digest and,
// when the entry is selected (no onlyName, or onlyName equal to its name),
// writes it below installFolder through the writer. It allocates nothing.
// Result: 0; -1 when no entry failed but the last entry is empty; -100 - n
// when n entries failed. When `outcomes` is given, it receives for each entry
// the ENTRY_* reasons it failed (0: it verified, and was written when
// selected), so every reader judges a package by this one pass.
#pragma once
#include <cstdint>
#include "package/package_format.h"

const int PACKAGE_RESULT_OK = 0;
const int PACKAGE_RESULT_MISSING = -1;      // no resource, or an empty last entry
const int PACKAGE_RESULT_FAILED_BASE = -100;  // minus the number of failed entries

// Why an entry failed (bit flags; bounds and name are both judged, the
// digest only for an entry inside the resource with a usable name).
const unsigned ENTRY_OUT_OF_BOUNDS = 1;
const unsigned ENTRY_UNSAFE_NAME = 2;
const unsigned ENTRY_SAME_FILE = 4;  // names the file of an earlier entry
const unsigned ENTRY_NO_BUFFER = 8;
const unsigned ENTRY_DIGEST_MISMATCH = 16;
const unsigned ENTRY_NOT_WRITTEN = 32;  // the path does not fit, or the write failed

// What the extraction needs from its surroundings; every pointer is required.
struct PackageWriter {
    void* context;
    // A writable buffer of `size` bytes (size > 0) for one entry's plain bytes,
    // or null when none can be had (the entry then fails).
    uint8_t* (*acquireBuffer)(void* context, uint32_t size);
    void (*releaseBuffer)(void* context, uint8_t* buffer, uint32_t size);
    // Creates every missing folder of `folder`; failure shows in the write.
    void (*createFolderChain)(void* context, const char* folder);
    // Creates or replaces the file; 1 only when every byte was written.
    int (*writeWholeFile)(void* context, const char* path, const uint8_t* bytes, uint32_t size);
};

int extractPackageBytes(const uint8_t* resource, uint32_t resourceSize, uint8_t header[PACKAGE_HEADER_SIZE],
                        const char* installFolder, const char* onlyName, const PackageWriter* writer,
                        unsigned outcomes[PACKAGE_ENTRY_COUNT] = nullptr);
