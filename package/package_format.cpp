// Field access to the package header and the entry-name safety rule.
#include "package/package_format.h"
#include "package/bytes.h"

uint32_t readLittleEndian32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void writeLittleEndian32(uint8_t* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

void readPackageEntry(const uint8_t header[PACKAGE_HEADER_SIZE], uint32_t index, PackageEntry* entry) {
    const uint8_t* field = header + index * PACKAGE_ENTRY_SIZE;
    copyBytes(entry->name, field, PACKAGE_NAME_SIZE);
    entry->offset = readLittleEndian32(field + PACKAGE_FIELD_OFFSET);
    entry->size = readLittleEndian32(field + PACKAGE_FIELD_SIZE);
    copyBytes(entry->digest, field + PACKAGE_FIELD_DIGEST, sizeof entry->digest);
    entry->reserved = readLittleEndian32(field + PACKAGE_FIELD_RESERVED);
}

void writePackageEntry(uint8_t header[PACKAGE_HEADER_SIZE], uint32_t index, const PackageEntry* entry) {
    uint8_t* field = header + index * PACKAGE_ENTRY_SIZE;
    copyBytes(field, entry->name, PACKAGE_NAME_SIZE);
    writeLittleEndian32(field + PACKAGE_FIELD_OFFSET, entry->offset);
    writeLittleEndian32(field + PACKAGE_FIELD_SIZE, entry->size);
    copyBytes(field + PACKAGE_FIELD_DIGEST, entry->digest, sizeof entry->digest);
    writeLittleEndian32(field + PACKAGE_FIELD_RESERVED, entry->reserved);
}

namespace {

int isSeparator(char c) { return c == '\\' || c == '/'; }

// A component made only of dots and spaces with two dots or more: Windows
// trims trailing dots and spaces, so "...", ".. " and ". ." can all climb.
int componentClimbs(const char* start, const char* end) {
    int dots = 0;
    for (const char* p = start; p < end; ++p) {
        if (*p == '.') {
            ++dots;
        } else if (*p != ' ') {
            return 0;
        }
    }
    return dots >= 2;
}

}  // namespace

int packageNameIsSafe(const char name[PACKAGE_NAME_SIZE]) {
    uint32_t length = 0;
    while (length < PACKAGE_NAME_SIZE && name[length] != '\0') ++length;
    if (length == PACKAGE_NAME_SIZE || length == 0) return 0;
    if (isSeparator(name[0])) return 0;  // rooted, or a "\\server" path

    const char* componentStart = name;
    for (uint32_t i = 0; i <= length; ++i) {
        const char c = name[i];
        if (c == ':') return 0;  // drive letter or alternate data stream
        if (c == '\0' || isSeparator(c)) {
            if (componentClimbs(componentStart, name + i)) return 0;
            componentStart = name + i + 1;
        }
    }
    return 1;
}
