// Bounds, key schedule, decoding, verification and the write decision for the
// two package entries. Everything that touches the system comes in through
// the PackageWriter, so this runs natively under test and under the fuzzer.
#include "package/extract_core.h"
#include "core/bytes.h"
#include "package/keystream.h"
#include "package/md5.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

const size_t DESTINATION_PATH_SIZE = 1024;

// Writes one verified entry below installFolder; 0 when written, -1 when the
// path does not fit or the write failed.
int writeEntry(const char* installFolder, const char* name, const uint8_t* bytes, uint32_t size,
               const PackageWriter* writer) {
    char path[DESTINATION_PATH_SIZE];
    if (textJoin(path, sizeof path, installFolder, name) != 0) return -1;
    char folder[DESTINATION_PATH_SIZE];
    textCopy(folder, sizeof folder, path);
    removeLastComponent(folder);
    if (!textEqual(folder, installFolder)) writer->createFolderChain(writer->context, folder);
    return writer->writeWholeFile(writer->context, path, bytes, size) == 1 ? 0 : -1;
}

// Decodes and verifies an entry whose stored bytes lie inside the resource,
// then writes it when selected. 0 when the entry succeeded, -1 when it failed.
int decodeEntry(const uint8_t* stored, const PackageEntry* entry, const PackageStream* stream,
                const char* installFolder, const char* onlyName, const PackageWriter* writer) {
    if (!packageNameIsSafe(entry->name)) return -1;

    // An empty entry needs no buffer; its plain digest is that of no bytes.
    uint8_t none = 0;
    uint8_t* plain = &none;
    if (entry->size > 0) {
        plain = writer->acquireBuffer(writer->context, entry->size);
        if (plain == nullptr) return -1;
    }
    applyTableStream(plain, stored, entry->size, stream->key, stream->table);
    uint8_t plainDigest[MD5_DIGEST_SIZE];
    md5Digest(plain, entry->size, plainDigest);

    int result = -1;
    if (equalBytes(plainDigest, entry->digest, MD5_DIGEST_SIZE)) {
        const int selected = onlyName == nullptr || textEqual(onlyName, entry->name);
        result = selected ? writeEntry(installFolder, entry->name, plain, entry->size, writer) : 0;
    }
    if (entry->size > 0) writer->releaseBuffer(writer->context, plain, entry->size);
    return result;
}

}  // namespace

int extractPackageBytes(const uint8_t* resource, uint32_t resourceSize, uint8_t header[PACKAGE_HEADER_SIZE],
                        const char* installFolder, const char* onlyName, const PackageWriter* writer) {
    // A resource too small to hold a header leaves the previous copy in use.
    if (resourceSize > PACKAGE_HEADER_SIZE) copyBytes(header, resource, PACKAGE_HEADER_SIZE);

    PackageStream stream;
    startPackageSchedule(&stream);
    uint32_t failures = 0;
    for (uint32_t index = 0; index < PACKAGE_ENTRY_COUNT; ++index) {
        PackageEntry entry;
        readPackageEntry(header, index, &entry);
        // An entry past the end is skipped without touching the schedule, so
        // the next entry is decoded with the key this one would have used.
        if (static_cast<uint64_t>(entry.offset) + entry.size > resourceSize) {
            ++failures;
            continue;
        }
        const uint8_t* stored = resource + entry.offset;
        uint8_t storedDigest[MD5_DIGEST_SIZE];
        md5Digest(stored, entry.size, storedDigest);
        if (decodeEntry(stored, &entry, &stream, installFolder, onlyName, writer) != 0) ++failures;
        advancePackageSchedule(&stream, storedDigest);
    }

    if (failures > 0) return PACKAGE_RESULT_FAILED_BASE - static_cast<int>(failures);
    PackageEntry last;
    readPackageEntry(header, PACKAGE_ENTRY_COUNT - 1, &last);
    return last.size == 0 ? PACKAGE_RESULT_MISSING : PACKAGE_RESULT_OK;
}
