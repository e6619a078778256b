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

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

int equalIgnoringCase(const char* start, size_t length, const char* word) {
    for (size_t i = 0; i < length; ++i) {
        if (word[i] == '\0' || upper(start[i]) != word[i]) return 0;
    }
    return word[length] == '\0';
}

// Characters no file name may hold: controls, DEL and the reserved ones.
int isForbidden(unsigned char c) {
    if (c < 0x20 || c == 0x7F) return 1;
    for (const char* p = "<>:\"/|?*"; *p != '\0'; ++p) {
        if (c == static_cast<unsigned char>(*p)) return 1;
    }
    return 0;
}

// A component that names a device, with or without an extension and with
// spaces before it ("CON", "nul.txt", "aux .log", "COM1", "LPT" + superscript
// one to three): Windows opens the device, not a file in the folder. The
// superscripts count in both spellings the installer's code page may give
// them: one byte (B9, B2, B3 in Windows-1252) and UTF-8 (C2 B9, C2 B2, C2 B3).
int componentIsDevice(const char* start, const char* end) {
    const char* base = start;
    while (base < end && *base != '.') ++base;
    while (base > start && base[-1] == ' ') --base;
    const size_t length = static_cast<size_t>(base - start);
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : devices) {
        if (equalIgnoringCase(start, length, device)) return 1;
    }
    if (length < 4 || length > 5 || !(equalIgnoringCase(start, 3, "COM") || equalIgnoringCase(start, 3, "LPT")))
        return 0;
    // The digit follows the name; in UTF-8 the lead byte C2 comes first.
    const unsigned char* at = reinterpret_cast<const unsigned char*>(start) + 3;
    if (length == 5 && *at++ != 0xC2) return 0;
    const unsigned char digit = *at;
    return (length == 4 && digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

// One component between separators: not empty, not ".", not ending in a dot
// or a space (Windows would trim them and write another name), no forbidden
// character and no device.
int componentIsSafe(const char* start, const char* end) {
    if (start == end) return 0;
    const char last = end[-1];
    if (last == '.' || last == ' ') return 0;
    for (const char* p = start; p < end; ++p) {
        if (isForbidden(static_cast<unsigned char>(*p))) return 0;
    }
    return !componentIsDevice(start, end);
}

// Case folding for the same-file test. Above 0x7F the mapping depends on
// the ANSI code page, so every such byte is taken as possibly equal to any
// other: a pair that might collide is refused rather than overwritten.
unsigned char foldForFileSystem(char c) {
    const unsigned char u = static_cast<unsigned char>(upper(c));
    return u > 0x7F ? 0x80 : u;
}

}  // namespace

int packageNameIsSafe(const char name[PACKAGE_NAME_SIZE]) {
    uint32_t length = 0;
    while (length < PACKAGE_NAME_SIZE && name[length] != '\0') ++length;
    if (length == PACKAGE_NAME_SIZE) return 0;
    const char* componentStart = name;
    for (uint32_t i = 0; i <= length; ++i) {
        if (name[i] != '\0' && name[i] != '\\') continue;
        if (!componentIsSafe(componentStart, name + i)) return 0;
        componentStart = name + i + 1;
    }
    return 1;
}

int packageNamesNameOneFile(const char* first, const char* second) {
    size_t i = 0;
    for (; first[i] != '\0' && second[i] != '\0'; ++i) {
        if (foldForFileSystem(first[i]) != foldForFileSystem(second[i])) return 0;
    }
    return first[i] == second[i];
}
