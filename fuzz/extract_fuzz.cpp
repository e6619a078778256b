// libFuzzer target: the input is a package resource. It runs the extraction
// core over it with and without a selected name, from a zero header and from
// a header left by an earlier read, and aborts when an invariant breaks:
//   - the result is 0, -1, -101 or -102;
//   - a decode buffer is never larger than the resource, and each is released;
//   - every write lands below the install folder under a safe entry name,
//     holds bytes whose MD5 is that entry's digest, and is the selected entry.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "package/extract_core.h"
#include "package/md5.h"
#include "package/package_format.h"

namespace {

const char kInstallFolder[] = "C:\\Program Files\\OV\\Sonograf";

struct Probe {
    uint32_t resourceSize;
    const uint8_t* header;
    const char* onlyName;
    int buffersHeld;
};

void check(bool condition) {
    if (!condition) abort();
}

uint8_t* acquire(void* context, uint32_t size) {
    Probe* probe = static_cast<Probe*>(context);
    check(size > 0 && size <= probe->resourceSize);
    check(probe->buffersHeld == 0);
    ++probe->buffersHeld;
    return static_cast<uint8_t*>(malloc(size));
}

void release(void* context, uint8_t* buffer, uint32_t) {
    --static_cast<Probe*>(context)->buffersHeld;
    free(buffer);
}

void createFolders(void*, const char* folder) {
    check(strncmp(folder, kInstallFolder, sizeof kInstallFolder - 1) == 0);
}

int write(void* context, const char* path, const uint8_t* bytes, uint32_t size) {
    const Probe* probe = static_cast<const Probe*>(context);
    const size_t folderLength = sizeof kInstallFolder - 1;
    check(strncmp(path, kInstallFolder, folderLength) == 0 && path[folderLength] == '\\');
    const char* name = path + folderLength + 1;

    // The file is one of the header's entries, safe, selected and verified.
    int matched = 0;
    for (uint32_t index = 0; index < PACKAGE_ENTRY_COUNT; ++index) {
        PackageEntry entry;
        readPackageEntry(probe->header, index, &entry);
        if (!packageNameIsSafe(entry.name) || strcmp(entry.name, name) != 0 || entry.size != size) continue;
        uint8_t digest[MD5_DIGEST_SIZE];
        md5Digest(bytes, size, digest);
        if (memcmp(digest, entry.digest, MD5_DIGEST_SIZE) == 0) matched = 1;
    }
    check(matched);
    check(probe->onlyName == nullptr || strcmp(probe->onlyName, name) == 0);
    return 1;
}

void extractWith(const uint8_t* data, uint32_t size, uint8_t* header, const char* onlyName) {
    Probe probe = {size, header, onlyName, 0};
    const PackageWriter writer = {&probe, acquire, release, createFolders, write};
    const int result = extractPackageBytes(data, size, header, kInstallFolder, onlyName, &writer);
    check(result == 0 || result == -1 || result == -101 || result == -102);
    check(probe.buffersHeld == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    const uint32_t length = static_cast<uint32_t>(size);

    uint8_t header[PACKAGE_HEADER_SIZE] = {0};
    extractWith(data, length, header, nullptr);
    extractWith(data, length, header, "readme.txt");

    // A resource no larger than a header is read through the header kept
    // from before: take it from the input's first bytes, then extract from
    // the input's tail as the resource.
    if (length > PACKAGE_HEADER_SIZE) {
        uint8_t kept[PACKAGE_HEADER_SIZE];
        memcpy(kept, data, PACKAGE_HEADER_SIZE);
        const uint32_t rest = length - PACKAGE_HEADER_SIZE;
        extractWith(data + PACKAGE_HEADER_SIZE, rest < PACKAGE_HEADER_SIZE ? rest : PACKAGE_HEADER_SIZE, kept,
                    nullptr);
    }
    return 0;
}
