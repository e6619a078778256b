// Layout of the embedded package: a 312-byte header of two 156-byte entries,
// then the stored (encoded) bytes. Integers are unsigned 32-bit little-endian.
// Entry: name[128] (NUL-terminated, NUL-filled), offset (from the first byte
// of the resource), size, digest[16] (MD5 of the plain bytes), reserved.
//   readPackageEntry / writePackageEntry: field-wise access to entry `index`.
//   packageNameIsSafe: 1 when the name field may be joined below a folder;
//   packageNamesNameOneFile: 1 when two names would write one file.
#pragma once
#include <cstdint>

#include "core/resource_ids.h"

const uint32_t PACKAGE_HEADER_SIZE = 312;
const uint32_t PACKAGE_ENTRY_COUNT = 2;
const uint32_t PACKAGE_ENTRY_SIZE = 156;
const uint32_t PACKAGE_NAME_SIZE = 128;
const uint32_t PACKAGE_RESERVED_VALUE = 0x0048003Cu;

// Field positions within one entry.
const uint32_t PACKAGE_FIELD_OFFSET = 128;
const uint32_t PACKAGE_FIELD_SIZE = 132;
const uint32_t PACKAGE_FIELD_DIGEST = 136;
const uint32_t PACKAGE_FIELD_RESERVED = 152;

struct PackageEntry {
    char name[PACKAGE_NAME_SIZE];  // raw field: not NUL-terminated unless the name is safe
    uint32_t offset;
    uint32_t size;
    uint8_t digest[16];
    uint32_t reserved;
};

uint32_t readLittleEndian32(const uint8_t* bytes);
void writeLittleEndian32(uint8_t* bytes, uint32_t value);

// index must be below PACKAGE_ENTRY_COUNT.
void readPackageEntry(const uint8_t header[PACKAGE_HEADER_SIZE], uint32_t index, PackageEntry* entry);
void writePackageEntry(uint8_t header[PACKAGE_HEADER_SIZE], uint32_t index, const PackageEntry* entry);

// Entry names are untrusted. A safe name (1) is one the installer writes
// exactly as given below its folder: NUL-terminated within the 128 bytes,
// components separated by '\' only, none empty or ".", none ending in a dot
// or a space, no control character (below 0x20, 0x7F), none of < > : " / | ? *
// and no device ("CON", "nul.txt", "COM1", "CONIN$", "LPT" and superscript
// one to three, as one byte or in UTF-8). The one rule wherever a name meets
// the file system.
int packageNameIsSafe(const char name[PACKAGE_NAME_SIZE]);

// 1 when two safe names may name one file on a case-insensitive file system
// (bytes above 0x7F are all taken as possibly equal).
int packageNamesNameOneFile(const char* first, const char* second);
