#include "platform/os_version.h"

#include "core/bytes.h"
#include "platform/lookup.h"
#include "platform/os_version_map.h"

const SystemInfoCalls realSystemInfoCalls = {GetVersionExA, GetModuleHandleA, GetProcAddress, GetCurrentProcess,
                                             GetSystemMetrics};

namespace {
typedef LONG(WINAPI* RtlGetVersionFunction)(OSVERSIONINFOW*);
typedef BOOL(WINAPI* IsWow64ProcessFunction)(HANDLE, BOOL*);

// Three attempts: the extended record twice, then the basic 148-byte record
// that the oldest systems understand.
int readVersionRecord(OSVERSIONINFOEXA& info, const SystemInfoCalls& calls) {
    zeroBytes(&info, sizeof info);
    OSVERSIONINFOA* basic = reinterpret_cast<OSVERSIONINFOA*>(&info);
    static const DWORD sizes[3] = {sizeof(OSVERSIONINFOEXA), sizeof(OSVERSIONINFOEXA), sizeof(OSVERSIONINFOA)};
    for (DWORD size : sizes) {
        info.dwOSVersionInfoSize = size;
        if (calls.getVersionExA(basic)) return 0;
    }
    return -1;
}
}  // namespace

int applyRtlGetVersion(OSVERSIONINFOEXA& info, const SystemInfoCalls& calls) {
    OSVERSIONINFOW reported;
    zeroBytes(&reported, sizeof reported);
    reported.dwOSVersionInfoSize = sizeof reported;
    HMODULE ntdll = calls.getModuleHandleA("Ntdll.dll");
    if (ntdll == nullptr) return -1;
    RtlGetVersionFunction rtlGetVersion =
        lookupFunction<RtlGetVersionFunction>(ntdll, "RtlGetVersion", calls.getProcAddress);
    if (rtlGetVersion == nullptr) return -1;
    if (rtlGetVersion(&reported) != 0) return 0;
    if (reported.dwMajorVersion < 6) return 0;
    info.dwMajorVersion = reported.dwMajorVersion;
    info.dwMinorVersion = reported.dwMinorVersion;
    info.dwBuildNumber = reported.dwBuildNumber;
    info.dwPlatformId = reported.dwPlatformId;
    return 0;
}

int32_t getOsVersionCode(uint32_t* major, uint32_t* minor, uint32_t* build, uint32_t* platformId,
                         const SystemInfoCalls& calls) {
    OSVERSIONINFOEXA info;
    if (readVersionRecord(info, calls) != 0) return -1;
    applyRtlGetVersion(info, calls);
    if (major) *major = info.dwMajorVersion;
    if (minor) *minor = info.dwMinorVersion;
    if (build) *build = info.dwBuildNumber;
    if (platformId) *platformId = info.dwPlatformId;
    return mapOsVersion(info.dwMajorVersion, info.dwMinorVersion, info.wProductType);
}

int32_t detectWow64(const SystemInfoCalls& calls) {
    HMODULE kernel32 = calls.getModuleHandleA("Kernel32.dll");
    if (kernel32 == nullptr) return 0;
    IsWow64ProcessFunction isWow64Process =
        lookupFunction<IsWow64ProcessFunction>(kernel32, "IsWow64Process", calls.getProcAddress);
    if (isWow64Process == nullptr) return 0;
    HANDLE process = calls.getCurrentProcess();
    if (process == nullptr) return 0;
    BOOL flag = FALSE;
    if (!isWow64Process(process, &flag)) return 0;
    return flag ? 1 : 0;
}
