// Bounds, key schedule, decoding, verification and the write decision for the
// two package entries. Everything that touches the system comes in through
// the PackageWriter, so this runs natively under test and under the fuzzer.
#include "package/extract_core.h"
#include "core/bytes.h"
#include "package/entry_pass.h"
#include "package/keystream.h"
#include "package/md5.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

const size_t DESTINATION_PATH_SIZE = 1024;

// Outcomes under which the entry's bytes were never decoded, so the digest of
// its stored bytes, which the key schedule needs, is still to be taken.
const unsigned ENTRY_NOT_DECODED = ENTRY_UNSAFE_NAME | ENTRY_SAME_FILE | ENTRY_NO_BUFFER;

// Writes one verified entry below installFolder; 0 when written,
// ENTRY_NOT_WRITTEN when the path does not fit or the write failed.
unsigned writeEntry(const char* installFolder, const char* name, const uint8_t* bytes, uint32_t size,
                    const PackageWriter* writer) {
    char path[DESTINATION_PATH_SIZE];
    if (textJoin(path, sizeof path, installFolder, name) != 0) return ENTRY_NOT_WRITTEN;
    char folder[DESTINATION_PATH_SIZE];
    textCopy(folder, sizeof folder, path);
    removeLastComponent(folder);
    if (!textEqual(folder, installFolder)) writer->createFolderChain(writer->context, folder);
    return writer->writeWholeFile(writer->context, path, bytes, size) == 1 ? 0 : ENTRY_NOT_WRITTEN;
}

// The name rule, and no two entries writing one file: a later entry that
// names an earlier entry's file fails instead of overwriting it.
unsigned judgeName(const uint8_t header[PACKAGE_HEADER_SIZE], uint32_t index, const PackageEntry* entry) {
    if (!packageNameIsSafe(entry->name)) return ENTRY_UNSAFE_NAME;
    for (uint32_t earlier = 0; earlier < index; ++earlier) {
        PackageEntry other;
        readPackageEntry(header, earlier, &other);
        if (packageNameIsSafe(other.name) && packageNamesNameOneFile(other.name, entry->name)) return ENTRY_SAME_FILE;
    }
    return 0;
}

// Decodes and verifies an entry whose stored bytes lie inside the resource,
// then writes it when selected. storedDigest receives the MD5 of the stored
// bytes unless the outcome is ENTRY_NO_BUFFER. 0 when the entry succeeded,
// otherwise why not.
unsigned decodeEntry(const uint8_t* stored, const PackageEntry* entry, const PackageStream* stream,
                     const char* installFolder, const char* onlyName, const PackageWriter* writer,
                     uint8_t storedDigest[MD5_DIGEST_SIZE]) {
    // An empty entry needs no buffer; its plain digest is that of no bytes.
    uint8_t none = 0;
    uint8_t* plain = &none;
    if (entry->size > 0) {
        plain = writer->acquireBuffer(writer->context, entry->size);
        if (plain == nullptr) return ENTRY_NO_BUFFER;
    }
    uint8_t plainDigest[MD5_DIGEST_SIZE];
    decodeAndDigest(plain, stored, entry->size, stream, storedDigest, plainDigest);

    unsigned outcome = ENTRY_DIGEST_MISMATCH;
    if (equalBytes(plainDigest, entry->digest, MD5_DIGEST_SIZE)) {
        const int selected = onlyName == nullptr || textEqual(onlyName, entry->name);
        outcome = selected ? writeEntry(installFolder, entry->name, plain, entry->size, writer) : 0;
    }
    if (entry->size > 0) writer->releaseBuffer(writer->context, plain, entry->size);
    return outcome;
}

}  // namespace

int extractPackageBytes(const uint8_t* resource, uint32_t resourceSize, uint8_t header[PACKAGE_HEADER_SIZE],
                        const char* installFolder, const char* onlyName, const PackageWriter* writer,
                        unsigned outcomes[PACKAGE_ENTRY_COUNT]) {
    // A resource too small to hold a header leaves the previous copy in use.
    if (resourceSize > PACKAGE_HEADER_SIZE) copyBytes(header, resource, PACKAGE_HEADER_SIZE);

    PackageStream stream;
    startPackageSchedule(&stream);
    uint32_t failures = 0;
    for (uint32_t index = 0; index < PACKAGE_ENTRY_COUNT; ++index) {
        PackageEntry entry;
        readPackageEntry(header, index, &entry);
        unsigned outcome = judgeName(header, index, &entry);
        // An entry past the end is skipped without touching the schedule, so
        // the next entry is decoded with the key this one would have used.
        if (static_cast<uint64_t>(entry.offset) + entry.size > resourceSize) {
            outcome |= ENTRY_OUT_OF_BOUNDS;
        } else {
            const uint8_t* stored = resource + entry.offset;
            uint8_t storedDigest[MD5_DIGEST_SIZE];
            if (outcome == 0)
                outcome = decodeEntry(stored, &entry, &stream, installFolder, onlyName, writer, storedDigest);
            if (outcome & ENTRY_NOT_DECODED) md5Digest(stored, entry.size, storedDigest);
            advancePackageSchedule(&stream, storedDigest);
        }
        if (outcome != 0) ++failures;
        if (outcomes != nullptr) outcomes[index] = outcome;
    }

    if (failures > 0) return PACKAGE_RESULT_FAILED_BASE - static_cast<int>(failures);
    PackageEntry last;
    readPackageEntry(header, PACKAGE_ENTRY_COUNT - 1, &last);
    return last.size == 0 ? PACKAGE_RESULT_MISSING : PACKAGE_RESULT_OK;
}
