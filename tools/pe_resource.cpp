#include "tools/pe_resource.h"

#include "package/package_format.h"

namespace {

// Layout constants of the PE/COFF format.
const uint32_t DOS_NEW_HEADER_FIELD = 0x3C;
const uint32_t COFF_HEADER_SIZE = 20;
const uint32_t COFF_MACHINE = 0;
const uint32_t COFF_SECTION_COUNT = 2;
const uint32_t COFF_OPTIONAL_SIZE = 16;
const uint32_t OPTIONAL_MAGIC_PE32 = 0x10B;
const uint32_t OPTIONAL_MAGIC_PE32_PLUS = 0x20B;
const uint32_t MACHINE_I386 = 0x14C;    // the shipped installer, with PE32
const uint32_t MACHINE_AMD64 = 0x8664;  // the 64-bit build, with PE32+
const uint32_t PE32_DIRECTORY_COUNT = 92;       // NumberOfRvaAndSizes, PE32
const uint32_t PE32_PLUS_DIRECTORY_COUNT = 108;  // the same, PE32+
const uint32_t OPTIONAL_ENTRY_POINT = 16;
const uint32_t OPTIONAL_SECTION_ALIGNMENT = 32;
const uint32_t OPTIONAL_IMAGE_SIZE = 56;
const uint32_t OPTIONAL_HEADERS_SIZE = 60;  // SizeOfHeaders
const uint32_t OPTIONAL_CHECKSUM = 64;
const uint32_t IMPORT_DIRECTORY_INDEX = 1;
const uint32_t RESOURCE_DIRECTORY_INDEX = 2;
const uint32_t SECURITY_DIRECTORY_INDEX = 4;
const uint32_t SECTION_HEADER_SIZE = 40;
const uint32_t RESOURCE_DIRECTORY_SIZE = 16;
const uint32_t RESOURCE_ENTRY_SIZE = 8;
const uint32_t RESOURCE_DATA_ENTRY_SIZE = 16;
const uint32_t SUBDIRECTORY_BIT = 0x80000000u;

// A view of the image whose reads fail instead of leaving it.
struct Image {
    const uint8_t* bytes;
    size_t size;
};

int fits(const Image& image, uint64_t position, uint64_t length) {
    return position <= image.size && length <= image.size - position;
}

int read16(const Image& image, uint64_t position, uint32_t* value) {
    if (!fits(image, position, 2)) return -1;
    *value = static_cast<uint32_t>(image.bytes[position]) | static_cast<uint32_t>(image.bytes[position + 1]) << 8;
    return 0;
}

int read32(const Image& image, uint64_t position, uint32_t* value) {
    if (!fits(image, position, 4)) return -1;
    *value = readLittleEndian32(image.bytes + position);
    return 0;
}

// The section table, needed to turn relative virtual addresses into file offsets.
struct Sections {
    uint64_t table;
    uint32_t count;
};

// File offset of `rva`, whose `length` bytes must lie in one section's raw data.
int rvaToOffset(const Image& image, const Sections& sections, uint32_t rva, uint32_t length, uint64_t* offset) {
    for (uint32_t i = 0; i < sections.count; ++i) {
        const uint64_t header = sections.table + static_cast<uint64_t>(i) * SECTION_HEADER_SIZE;
        uint32_t address = 0, rawSize = 0, rawStart = 0;
        if (read32(image, header + 12, &address) != 0 || read32(image, header + 16, &rawSize) != 0 ||
            read32(image, header + 20, &rawStart) != 0)
            return -1;
        if (rva < address || static_cast<uint64_t>(rva) - address >= rawSize) continue;
        if (static_cast<uint64_t>(rva) - address + length > rawSize) return -1;
        *offset = static_cast<uint64_t>(rawStart) + (rva - address);
        return fits(image, *offset, length) ? 0 : -1;
    }
    return -1;
}

// Looks up integer `id` in the resource directory at `directory` (relative to
// the resource section start `root`). Gives the raw OffsetToData field, or the
// first entry's when `id` is null. 0 found, PE_NO_RESOURCE, PE_MALFORMED.
int findEntry(const Image& image, uint64_t root, uint64_t directory, const uint32_t* id, uint32_t* target) {
    uint32_t named = 0, numbered = 0;
    if (read16(image, root + directory + 12, &named) != 0 || read16(image, root + directory + 14, &numbered) != 0)
        return PE_MALFORMED;
    const uint64_t first = root + directory + RESOURCE_DIRECTORY_SIZE;
    // Named entries come first; integer ids follow them.
    for (uint32_t i = named; i < named + numbered; ++i) {
        const uint64_t entry = first + static_cast<uint64_t>(i) * RESOURCE_ENTRY_SIZE;
        uint32_t name = 0;
        if (read32(image, entry, &name) != 0 || read32(image, entry + 4, target) != 0) return PE_MALFORMED;
        if (id == nullptr || name == *id) return 0;
    }
    return PE_NO_RESOURCE;
}

// The walk has a fixed depth of three, so a directory that points back at
// an earlier one cannot loop; it only ends at a non-leaf, which is refused.
int findSubdirectory(const Image& image, uint64_t root, uint64_t directory, const uint32_t* id, uint64_t* next) {
    uint32_t target = 0;
    const int found = findEntry(image, root, directory, id, &target);
    if (found != 0) return found;
    if ((target & SUBDIRECTORY_BIT) == 0) return PE_MALFORMED;
    *next = target & ~SUBDIRECTORY_BIT;
    return 0;
}

// The parts of the headers the lookups and the frame check need.
struct Headers {
    uint64_t coff;
    uint64_t optional;
    uint32_t magic;
    uint64_t checksumField;
    uint64_t directories;  // the first data directory entry
    uint32_t directoryCount;
    Sections sections;
};

int readHeaders(const Image& image, Headers* headers) {
    const uint8_t* bytes = image.bytes;
    uint32_t peHeader = 0, signature = 0, magic = 0;
    if (image.size < 2 || bytes[0] != 'M' || bytes[1] != 'Z') return PE_NOT_IMAGE;
    if (read32(image, DOS_NEW_HEADER_FIELD, &peHeader) != 0 || read32(image, peHeader, &signature) != 0 ||
        signature != 0x00004550u)
        return PE_NOT_IMAGE;

    const uint64_t coff = static_cast<uint64_t>(peHeader) + 4;
    const uint64_t optional = coff + COFF_HEADER_SIZE;
    uint32_t sectionCount = 0, optionalSize = 0;
    if (read16(image, coff + COFF_SECTION_COUNT, &sectionCount) != 0 ||
        read16(image, coff + COFF_OPTIONAL_SIZE, &optionalSize) != 0 || read16(image, optional, &magic) != 0)
        return PE_MALFORMED;
    uint32_t countField = 0;
    if (magic == OPTIONAL_MAGIC_PE32) {
        countField = PE32_DIRECTORY_COUNT;
    } else if (magic == OPTIONAL_MAGIC_PE32_PLUS) {
        countField = PE32_PLUS_DIRECTORY_COUNT;
    } else {
        return PE_MALFORMED;
    }
    uint32_t directoryCount = 0;
    if (read32(image, optional + countField, &directoryCount) != 0) return PE_MALFORMED;
    // Only the directory entries that fit in the optional header count.
    const uint64_t directories = optional + countField + 4;
    const uint64_t room = optional + optionalSize > directories ? (optional + optionalSize - directories) / 8 : 0;
    headers->coff = coff;
    headers->optional = optional;
    headers->magic = magic;
    headers->checksumField = optional + OPTIONAL_CHECKSUM;
    headers->directories = directories;
    headers->directoryCount = static_cast<uint32_t>(directoryCount < room ? directoryCount : room);
    headers->sections = {optional + optionalSize, sectionCount};
    return 0;
}

// Address and size of data directory `index`; both 0 when the image has none.
int readDirectory(const Image& image, const Headers& headers, uint32_t index, uint32_t* address, uint32_t* size) {
    *address = 0;
    *size = 0;
    if (index >= headers.directoryCount) return 0;
    const uint64_t field = headers.directories + static_cast<uint64_t>(index) * 8;
    return read32(image, field, address) != 0 || read32(image, field + 4, size) != 0 ? PE_MALFORMED : 0;
}

// The image checksum: 16-bit one's-complement sum of the file with the
// checksum field counted as zero, plus the file length.
uint32_t computeChecksum(const Image& image, uint64_t checksumField) {
    uint64_t sum = 0;
    for (uint64_t at = 0; at < image.size; at += 2) {
        if (at >= checksumField && at < checksumField + 4) continue;
        sum += image.bytes[at] | (at + 1 < image.size ? static_cast<uint32_t>(image.bytes[at + 1]) << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<uint32_t>((sum & 0xFFFF) + (sum >> 16) + image.size);
}

}  // namespace

int findPeResource(const uint8_t* bytes, size_t size, uint32_t type, uint32_t id, size_t* offset, size_t* length) {
    const Image image = {bytes, size};
    Headers headers;
    const int parsed = readHeaders(image, &headers);
    if (parsed != 0) return parsed;
    uint32_t resourceRva = 0, resourceSize = 0;
    if (readDirectory(image, headers, RESOURCE_DIRECTORY_INDEX, &resourceRva, &resourceSize) != 0) return PE_MALFORMED;
    if (resourceRva == 0) return PE_NO_RESOURCE;

    const Sections& sections = headers.sections;
    uint64_t root = 0;
    if (rvaToOffset(image, sections, resourceRva, RESOURCE_DIRECTORY_SIZE, &root) != 0) return PE_MALFORMED;

    // Three levels: type, then id, then language (the first one present).
    uint64_t byId = 0, byLanguage = 0;
    int found = findSubdirectory(image, root, 0, &type, &byId);
    if (found == 0) found = findSubdirectory(image, root, byId, &id, &byLanguage);
    if (found != 0) return found;
    uint32_t dataEntry = 0;
    found = findEntry(image, root, byLanguage, nullptr, &dataEntry);
    if (found != 0) return found;
    if ((dataEntry & SUBDIRECTORY_BIT) != 0) return PE_MALFORMED;

    uint32_t dataRva = 0, dataSize = 0;
    if (!fits(image, root + dataEntry, RESOURCE_DATA_ENTRY_SIZE) || read32(image, root + dataEntry, &dataRva) != 0 ||
        read32(image, root + dataEntry + 4, &dataSize) != 0)
        return PE_MALFORMED;
    uint64_t dataOffset = 0;
    if (rvaToOffset(image, sections, dataRva, dataSize, &dataOffset) != 0) return PE_MALFORMED;
    *offset = static_cast<size_t>(dataOffset);
    *length = dataSize;
    return 0;
}

int findPeSignature(const uint8_t* bytes, size_t size, PeSignature* signature) {
    const Image image = {bytes, size};
    Headers headers;
    const int parsed = readHeaders(image, &headers);
    if (parsed != 0) return parsed;
    uint32_t offset = 0, length = 0;
    if (readDirectory(image, headers, SECURITY_DIRECTORY_INDEX, &offset, &length) != 0 ||
        read32(image, headers.checksumField, &signature->storedChecksum) != 0)
        return PE_MALFORMED;
    if (offset == 0 && length == 0) return PE_NO_SIGNATURE;
    // The certificate table is addressed by file offset and is never loaded.
    if (length == 0 || !fits(image, offset, length)) return PE_MALFORMED;
    signature->offset = offset;
    signature->length = length;
    signature->fileChecksum = computeChecksum(image, headers.checksumField);
    return 0;
}

int checkPeFrame(const uint8_t* bytes, size_t size) {
    const Image image = {bytes, size};
    Headers headers;
    const int parsed = readHeaders(image, &headers);
    if (parsed != 0) return parsed;
    // These fields lie before the directory count that readHeaders has read.
    const uint64_t optional = headers.optional;
    uint32_t machine = 0, entryPoint = 0, alignment = 0, imageSize = 0, headersSize = 0;
    read16(image, headers.coff + COFF_MACHINE, &machine);
    read32(image, optional + OPTIONAL_ENTRY_POINT, &entryPoint);
    read32(image, optional + OPTIONAL_SECTION_ALIGNMENT, &alignment);
    read32(image, optional + OPTIONAL_IMAGE_SIZE, &imageSize);
    read32(image, optional + OPTIONAL_HEADERS_SIZE, &headersSize);
    const Sections& sections = headers.sections;
    if (!fits(image, 0, headersSize) ||
        !fits(image, sections.table, static_cast<uint64_t>(sections.count) * SECTION_HEADER_SIZE))
        return PE_CUT_SHORT;
    // The loader maps each section over its virtual size (its raw size when
    // that is 0) rounded up to the alignment; the image must hold the
    // headers and every section.
    const uint64_t alignmentMask = static_cast<uint64_t>(alignment) - 1;
    uint64_t mappedEnd = headersSize;
    for (uint32_t i = 0; i < sections.count; ++i) {
        const uint64_t header = sections.table + static_cast<uint64_t>(i) * SECTION_HEADER_SIZE;
        uint32_t virtualSize = 0, address = 0, rawSize = 0, rawStart = 0;
        read32(image, header + 8, &virtualSize);
        read32(image, header + 12, &address);
        read32(image, header + 16, &rawSize);
        read32(image, header + 20, &rawStart);
        if (rawSize != 0 && !fits(image, rawStart, rawSize)) return PE_CUT_SHORT;
        const uint64_t end = (address + static_cast<uint64_t>(virtualSize != 0 ? virtualSize : rawSize) +
                              alignmentMask) & ~alignmentMask;
        if (end > mappedEnd) mappedEnd = end;
    }
    if (machine != (headers.magic == OPTIONAL_MAGIC_PE32 ? MACHINE_I386 : MACHINE_AMD64)) return PE_WRONG_MACHINE;
    if (alignment == 0 || (alignment & alignmentMask) != 0) return PE_BAD_ALIGNMENT;
    if (imageSize < mappedEnd) return PE_IMAGE_TOO_SMALL;
    if (entryPoint >= imageSize) return PE_ENTRY_OUTSIDE;
    uint32_t importRva = 0, importSize = 0;
    if (readDirectory(image, headers, IMPORT_DIRECTORY_INDEX, &importRva, &importSize) != 0) return PE_MALFORMED;
    if (importRva != 0 && (importRva >= imageSize || importSize > imageSize - importRva)) return PE_IMPORTS_OUTSIDE;
    return 0;
}
