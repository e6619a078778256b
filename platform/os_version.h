// Which Windows this is, and whether the 32-bit installer runs under WOW64.
// Functions that older systems lack are looked up at run time; the platform
// calls come in through a table so that tests can stand in for them.
#pragma once
#include <windows.h>

#include <cstdint>

struct SystemInfoCalls {
    BOOL(WINAPI* getVersionExA)(OSVERSIONINFOA* info);
    HMODULE(WINAPI* getModuleHandleA)(LPCSTR name);
    FARPROC(WINAPI* getProcAddress)(HMODULE module, LPCSTR name);
    HANDLE(WINAPI* getCurrentProcess)();
    int(WINAPI* getSystemMetrics)(int index);
};
extern const SystemInfoCalls realSystemInfoCalls;

// The OS version code (0 to 8, or -1); each output is written only when given
// and only when a version could be read.
int32_t getOsVersionCode(uint32_t* major = nullptr, uint32_t* minor = nullptr, uint32_t* build = nullptr,
                         uint32_t* platformId = nullptr, const SystemInfoCalls& calls = realSystemInfoCalls);
// Overwrites the version numbers of a GetVersionExA record with those of
// RtlGetVersion on systems of major version 6 and later. -1 when RtlGetVersion
// is not available, else 0.
int applyRtlGetVersion(OSVERSIONINFOEXA& info, const SystemInfoCalls& calls = realSystemInfoCalls);
// 1 for a 32-bit process under WOW64, else 0.
int32_t detectWow64(const SystemInfoCalls& calls = realSystemInfoCalls);
