// Field access to the package header and the entry-name safety rule.
#include "package/package_format.h"
#include "core/bytes.h"

#include <cstddef>

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

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A component that names a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9), with
// or without an extension: Windows opens the device, not a file in the folder.
int componentIsDevice(const char* start, const char* end) {
    const char* base = start;
    while (base < end && *base != '.') ++base;
    while (base > start && base[-1] == ' ') --base;
    const size_t length = static_cast<size_t>(base - start);
    if (length != 3 && length != 4) return 0;
    char name[4];
    for (size_t i = 0; i < length; ++i) name[i] = upper(start[i]);
    if (length == 4) {
        const int numbered = (name[0] == 'C' && name[1] == 'O' && name[2] == 'M') ||
                             (name[0] == 'L' && name[1] == 'P' && name[2] == 'T');
        return numbered && name[3] >= '1' && name[3] <= '9';
    }
    static const char devices[4][4] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* device : devices) {
        if (name[0] == device[0] && name[1] == device[1] && name[2] == device[2]) return 1;
    }
    return 0;
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
            if (componentClimbs(componentStart, name + i) || componentIsDevice(componentStart, name + i)) return 0;
            componentStart = name + i + 1;
        }
    }
    return 1;
}
