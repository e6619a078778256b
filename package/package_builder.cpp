// Package building: the inverse of the extraction, used by the package tool
// and by tests that need packages of their own.
#include "package/package_builder.h"
#include "core/bytes.h"
#include "package/keystream.h"
#include "package/md5.h"

uint32_t packageBuildSize(const PackageFile files[PACKAGE_ENTRY_COUNT]) {
    uint64_t total = PACKAGE_HEADER_SIZE;
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) total += files[i].size;
    return total > 0xFFFFFFFFu ? 0 : static_cast<uint32_t>(total);
}

int buildPackage(const PackageFile files[PACKAGE_ENTRY_COUNT], uint8_t* output, uint32_t capacity) {
    const uint32_t total = packageBuildSize(files);
    if (total == 0 || total > capacity) return -2;

    PackageEntry entries[PACKAGE_ENTRY_COUNT];
    uint32_t offset = PACKAGE_HEADER_SIZE;
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        PackageEntry* entry = &entries[i];
        zeroBytes(entry->name, PACKAGE_NAME_SIZE);
        uint32_t length = 0;
        while (files[i].name[length] != '\0') {
            if (length == PACKAGE_NAME_SIZE - 1) return -1;
            entry->name[length] = files[i].name[length];
            ++length;
        }
        if (!packageNameIsSafe(entry->name)) return -1;
        for (uint32_t earlier = 0; earlier < i; ++earlier) {
            if (packageNamesNameOneFile(entries[earlier].name, entry->name)) return -1;
        }
        entry->offset = offset;
        entry->size = files[i].size;
        md5Digest(files[i].bytes, files[i].size, entry->digest);
        entry->reserved = PACKAGE_RESERVED_VALUE;
        offset += files[i].size;
    }

    // Each entry is encoded under the key the schedule gives it, and the next
    // key comes from the bytes just stored, as the extraction will see them.
    PackageStream stream;
    startPackageSchedule(&stream);
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        writePackageEntry(output, i, &entries[i]);
        uint8_t* stored = output + entries[i].offset;
        applyTableStream(stored, files[i].bytes, files[i].size, stream.key, stream.table);
        uint8_t storedDigest[MD5_DIGEST_SIZE];
        md5Digest(stored, files[i].size, storedDigest);
        advancePackageSchedule(&stream, storedDigest);
    }
    return 0;
}
