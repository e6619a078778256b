// Resource access and extraction to disk: the Windows side of the package.
// The resource is loaded and sized through the module it was found in, so
// the same code reads the installer's own package and one of a module loaded
// as data (the uninstaller copy, tests).
#include "package/package_resource.h"

#include "core/bytes.h"
#include "package/extract_core.h"
#include "package/package_format.h"
#include "platform/files.h"

const PackageResourceCalls realPackageResourceCalls = {
    FindResourceA, LoadResource, SizeofResource, LockResource, FreeResource, VirtualAlloc, VirtualFree,
};

namespace {

// RT_RCDATA in its narrow form, whatever UNICODE says.
LPCSTR const RAW_DATA_TYPE = MAKEINTRESOURCEA(10);

struct OpenedPackage {
    HGLOBAL loaded;
    const uint8_t* bytes;
    uint32_t size;
};

// Finds, loads and locks resource 100; -1 when it is missing or does not
// load (a handle obtained is released again).
int openPackage(HMODULE module, const PackageResourceCalls& calls, OpenedPackage* package) {
    HRSRC found = calls.findResource(module, MAKEINTRESOURCEA(PACKAGE_RESOURCE_ID), RAW_DATA_TYPE);
    if (found == nullptr) return -1;
    package->loaded = calls.loadResource(module, found);
    package->bytes = package->loaded ? static_cast<const uint8_t*>(calls.lockResource(package->loaded)) : nullptr;
    if (package->bytes == nullptr) {
        calls.freeResource(package->loaded);
        return -1;
    }
    package->size = calls.sizeofResource(module, found);
    return 0;
}

// The extraction's writer: decode buffers from VirtualAlloc, one per entry,
// and files through the path and file utilities.
struct DiskWriter {
    const PackageResourceCalls* calls;
};

uint8_t* acquireBuffer(void* context, uint32_t size) {
    const PackageResourceCalls* calls = static_cast<DiskWriter*>(context)->calls;
    return static_cast<uint8_t*>(calls->virtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

void releaseBuffer(void* context, uint8_t* buffer, uint32_t) {
    static_cast<DiskWriter*>(context)->calls->virtualFree(buffer, 0, MEM_RELEASE);
}

void createFolders(void*, const char* folder) { createFolderChain(folder); }

int writeFile(void*, const char* path, const uint8_t* bytes, uint32_t size) {
    return writeWholeFile(path, bytes, size);
}

}  // namespace

int readPackageHeader(HMODULE module, uint8_t header[PACKAGE_HEADER_SIZE], const PackageResourceCalls& calls) {
    OpenedPackage package;
    if (openPackage(module, calls, &package) != 0) return -1;
    const int copied = package.size > PACKAGE_HEADER_SIZE;
    if (copied) copyBytes(header, package.bytes, PACKAGE_HEADER_SIZE);
    calls.freeResource(package.loaded);
    return copied ? 0 : -1;
}

int extractPackage(HMODULE module, uint8_t header[PACKAGE_HEADER_SIZE], const char* folder, const char* onlyName,
                   unsigned outcomes[PACKAGE_ENTRY_COUNT], const PackageResourceCalls& calls) {
    OpenedPackage package;
    if (openPackage(module, calls, &package) != 0) return PACKAGE_RESULT_MISSING;
    DiskWriter disk = {&calls};
    const PackageWriter writer = {&disk, acquireBuffer, releaseBuffer, createFolders, writeFile};
    const int result = extractPackageBytes(package.bytes, package.size, header, folder, onlyName, &writer, outcomes);
    calls.freeResource(package.loaded);
    return result;
}
