// The package resource of the installer's own module, and its extraction
// into the install folder.
//   readPackageHeader(module, header): copies the first PACKAGE_HEADER_SIZE
//     bytes of the module's package resource into header; 0, or -1 (header
//     unchanged) when the resource is missing, does not load or is not larger
//     than the header.
//   extractPackage(module, header, folder, onlyName, outcomes): refreshes header
//     from the resource, then decodes, verifies and writes its entries below
//     folder (only the one named onlyName when given); 0, -1 (no resource, or an
//     empty last entry) or -100 - failures. When given, outcomes receives each
//     entry's ENTRY_* reasons (package/extract_core.h); untouched without a
//     resource.
// The platform calls come in as a table so tests can make them fail; the
// default is the real one.
#pragma once
#include <windows.h>

#include <cstdint>

#include "package/package_format.h"

struct PackageResourceCalls {
    HRSRC(WINAPI* findResource)(HMODULE, LPCSTR, LPCSTR);
    HGLOBAL(WINAPI* loadResource)(HMODULE, HRSRC);
    DWORD(WINAPI* sizeofResource)(HMODULE, HRSRC);
    LPVOID(WINAPI* lockResource)(HGLOBAL);
    BOOL(WINAPI* freeResource)(HGLOBAL);
    LPVOID(WINAPI* virtualAlloc)(LPVOID, SIZE_T, DWORD, DWORD);
    BOOL(WINAPI* virtualFree)(LPVOID, SIZE_T, DWORD);
};

extern const PackageResourceCalls realPackageResourceCalls;

int readPackageHeader(HMODULE module, uint8_t header[PACKAGE_HEADER_SIZE],
                      const PackageResourceCalls& calls = realPackageResourceCalls);
int extractPackage(HMODULE module, uint8_t header[PACKAGE_HEADER_SIZE], const char* folder, const char* onlyName,
                   unsigned outcomes[PACKAGE_ENTRY_COUNT] = nullptr,
                   const PackageResourceCalls& calls = realPackageResourceCalls);
