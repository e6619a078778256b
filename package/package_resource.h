// The package resource of the installer's own module, and its extraction
// into the install folder.
//   readPackageHeader(context): copies the first 312 bytes of RCDATA 100 of
//     context.instance into context.packageHeader; 0, or -1 when the resource
//     is missing, does not load or is not larger than the header.
//   extractPackage(context, onlyName): decodes, verifies and writes the
//     entries below context.installFolder (only the one named onlyName when
//     given); 0, -1 (no resource, or an empty last entry) or -100 - failures.
// The platform calls come in as a table so tests can make them fail; the
// default is the real one.
#pragma once
#include <windows.h>

#include "core/context.h"

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

int readPackageHeader(InstallerContext& context, const PackageResourceCalls& calls = realPackageResourceCalls);
int extractPackage(InstallerContext& context, const char* onlyName,
                   const PackageResourceCalls& calls = realPackageResourceCalls);
