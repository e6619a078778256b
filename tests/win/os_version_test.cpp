// OS version code, WOW64 flag and screen metrics: every fallback through fake
// platform calls, and the real calls under each Windows version Wine emulates.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/metrics.h"
#include "platform/os_version.h"
#include "support/process.h"

namespace {
// What the fake platform answers; reset by each test.
struct FakeSystem {
    size_t versionCallsToFail = 0;
    std::vector<DWORD> seenSizes;  // the record size of each GetVersionExA call
    DWORD major = 0, minor = 0, build = 0, platformId = 2;
    BYTE productType = 1;
    bool hasRtlGetVersion = true;
    LONG rtlStatus = 0;
    DWORD rtlMajor = 0, rtlMinor = 0, rtlBuild = 0;
    bool hasIsWow64Process = true;
    BOOL wow64Answer = FALSE;
    BOOL wow64CallResult = TRUE;
    const char* missingUser32Function = nullptr;
    int lookups = 0;
} fake;

BOOL WINAPI fakeGetVersionExA(OSVERSIONINFOA* info) {
    fake.seenSizes.push_back(info->dwOSVersionInfoSize);
    if (fake.seenSizes.size() <= fake.versionCallsToFail) return FALSE;
    info->dwMajorVersion = fake.major;
    info->dwMinorVersion = fake.minor;
    info->dwBuildNumber = fake.build;
    info->dwPlatformId = fake.platformId;
    if (info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXA))
        reinterpret_cast<OSVERSIONINFOEXA*>(info)->wProductType = fake.productType;
    return TRUE;
}

LONG WINAPI fakeRtlGetVersion(OSVERSIONINFOW* info) {
    EXPECT_EQ(info->dwOSVersionInfoSize, 276u);
    if (fake.rtlStatus != 0) return fake.rtlStatus;
    info->dwMajorVersion = fake.rtlMajor;
    info->dwMinorVersion = fake.rtlMinor;
    info->dwBuildNumber = fake.rtlBuild;
    info->dwPlatformId = 2;
    return 0;
}

BOOL WINAPI fakeIsWow64Process(HANDLE, BOOL* flag) {
    *flag = fake.wow64Answer;
    return fake.wow64CallResult;
}

int WINAPI fakeGetSystemMetrics(int index) { return 1000 + index; }
int WINAPI fakeMonitorFunction() { return 0; }

HMODULE WINAPI fakeGetModuleHandleA(LPCSTR name) { return reinterpret_cast<HMODULE>(const_cast<char*>(name)); }

FARPROC WINAPI fakeGetProcAddress(HMODULE, LPCSTR name) {
    ++fake.lookups;
    std::string n = name;
    if (n == "RtlGetVersion")
        return fake.hasRtlGetVersion ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fakeRtlGetVersion)) : nullptr;
    if (n == "IsWow64Process")
        return fake.hasIsWow64Process ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fakeIsWow64Process))
                                      : nullptr;
    if (fake.missingUser32Function && n == fake.missingUser32Function) return nullptr;
    if (n == "GetSystemMetrics") return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fakeGetSystemMetrics));
    return reinterpret_cast<FARPROC>(fakeMonitorFunction);
}

HANDLE WINAPI fakeGetCurrentProcess() { return reinterpret_cast<HANDLE>(-1); }
HANDLE WINAPI noProcess() { return nullptr; }

const SystemInfoCalls fakeCalls = {fakeGetVersionExA, fakeGetModuleHandleA, fakeGetProcAddress,
                                   fakeGetCurrentProcess, fakeGetSystemMetrics};

class OsVersionFakes : public ::testing::Test {
protected:
    void SetUp() override { fake = FakeSystem(); }
};

// The code and the numbers given out, from what GetVersionExA and then
// RtlGetVersion report: RtlGetVersion corrects the numbers, keeping the
// product type, unless it is missing, fails or reports a system older than
// version 6. After two failed attempts the basic record is read, which has no
// product type: a 6.1 workstation then reads as a server. With no record at
// all nothing is written.
TEST_F(OsVersionFakes, CodeAndNumbersFromWhatTheSystemReports) {
    const struct {
        const char* what;
        DWORD major, minor;
        BYTE productType;
        size_t failedCalls;  // of GetVersionExA
        bool hasRtl;
        LONG rtlStatus;
        DWORD rtlMajor, rtlMinor;
        int32_t code;
        uint32_t seen[4];  // major, minor, build and platform given out
    } cases[] = {{"Windows 10 behind 6.2", 6, 2, 1, 0, true, 0, 10, 0, 7, {10, 0, 19045, 2}},
                 {"the product type kept behind RtlGetVersion", 6, 2, 1, 0, true, 0, 6, 1, 4, {6, 1, 19045, 2}},
                 {"RtlGetVersion missing", 6, 1, 1, 0, false, 0, 10, 0, 4, {6, 1, 7601, 2}},
                 {"RtlGetVersion fails", 6, 1, 1, 0, true, static_cast<LONG>(0xC0000001), 10, 0, 4, {6, 1, 7601, 2}},
                 {"RtlGetVersion reports an older system", 5, 1, 1, 0, true, 0, 5, 2, 1, {5, 1, 7601, 2}},
                 {"a 6.1 server is coded as Vista", 6, 1, 3, 0, true, 0, 6, 1, 3, {6, 1, 19045, 2}},
                 {"basic record of 4.10", 4, 10, 1, 2, true, 0, 0, 0, 1, {4, 10, 7601, 2}},
                 {"basic record of a 6.1 workstation", 6, 1, 1, 2, false, 0, 0, 0, 3, {6, 1, 7601, 2}},
                 {"no record", 6, 1, 1, 3, true, 0, 10, 0, -1, {77, 77, 77, 77}}};
    for (const auto& c : cases) {
        SetUp();
        fake.major = c.major;
        fake.minor = c.minor;
        fake.build = 7601;
        fake.productType = c.productType;
        fake.versionCallsToFail = c.failedCalls;
        fake.hasRtlGetVersion = c.hasRtl;
        fake.rtlStatus = c.rtlStatus;
        fake.rtlMajor = c.rtlMajor;
        fake.rtlMinor = c.rtlMinor;
        fake.rtlBuild = 19045;
        uint32_t seen[4] = {77, 77, 77, 77};
        EXPECT_EQ(getOsVersionCode(&seen[0], &seen[1], &seen[2], &seen[3], fakeCalls), c.code) << c.what;
        EXPECT_EQ(std::vector<uint32_t>(seen, seen + 4), std::vector<uint32_t>(c.seen, c.seen + 4)) << c.what;
        if (c.failedCalls >= 2)  // the extended record twice, then the basic one, and no more
            EXPECT_EQ(fake.seenSizes, std::vector<DWORD>({156, 156, 148})) << c.what;
    }
}

TEST_F(OsVersionFakes, Wow64FlagFallsBackToZero) {
    fake.wow64Answer = TRUE;
    EXPECT_EQ(detectWow64(fakeCalls), 1);
    fake.wow64CallResult = FALSE;
    EXPECT_EQ(detectWow64(fakeCalls), 0);
    fake.wow64CallResult = TRUE;
    fake.hasIsWow64Process = false;
    EXPECT_EQ(detectWow64(fakeCalls), 0);
    fake.hasIsWow64Process = true;
    SystemInfoCalls withoutProcess = fakeCalls;
    withoutProcess.getCurrentProcess = noProcess;
    EXPECT_EQ(detectWow64(withoutProcess), 0);
}

// Without all six multiple-monitor functions the lookup stops at the first
// missing one, is never tried again, and the single-monitor answers stand in.
TEST_F(OsVersionFakes, SingleMonitorAnswersWhenAMonitorFunctionIsMissing) {
    for (const auto& missing : {std::make_pair("MonitorFromRect", 3), std::make_pair("GetMonitorInfoA", 6)}) {
        SetUp();
        fake.missingUser32Function = missing.first;
        MonitorFunctions table = {};
        EXPECT_EQ(initMonitorFunctions(table, fakeCalls), 0) << missing.first;
        std::vector<int32_t> metrics;
        for (int index : {80, 81, 76, 77, 78, 79, 7}) metrics.push_back(getMetric(index, table, fakeCalls));
        EXPECT_EQ(metrics, std::vector<int32_t>({1, 1, 0, 0, 1000, 1001, 1007})) << missing.first;
        EXPECT_EQ(fake.lookups, missing.second) << missing.first;
        EXPECT_EQ(table.getSystemMetrics, nullptr) << missing.first;
        EXPECT_EQ(table.monitorFromWindow, nullptr) << missing.first;
    }
}

TEST_F(OsVersionFakes, FrameMetricsFillOnlyTheOutputsGiven) {
    MonitorFunctions table = {};
    for (int given = 0; given < 16; ++given) {
        int32_t frame = -1, caption = -1, menu = -1;
        getFrameMetrics((given & 1) ? &frame : nullptr, (given & 2) ? &caption : nullptr,
                        (given & 4) ? &menu : nullptr, (given & 8) ? FRAME_FIXED : 0, table, fakeCalls);
        EXPECT_EQ(frame, (given & 1) ? 1092 + ((given & 8) ? 1007 : 1032) : -1) << given;
        EXPECT_EQ(caption, (given & 2) ? 1004 : -1) << given;
        EXPECT_EQ(menu, (given & 4) ? 1015 : -1) << given;
    }
}

// The real calls under each Windows version Wine can emulate: a copy of this
// program, named per version, is given that version through Wine's per-program
// settings and reports what it sees through its exit code.
// Wine 8 reports a server product type for "win7" set per program (and a
// workstation for "win2008r2"), so Windows 7 is checked as the prefix's own
// default version, which reports it correctly.
struct EmulatedVersion {
    const char* wineName;
    int32_t code;
    bool perProgram;
};

const EmulatedVersion kVersions[] = {{"win2k", 0, true}, {"winxp", 1, true}, {"win2003", 2, true},
                                      {"vista", 3, true}, {"win7", 4, false}, {"win8", 5, true},
                                      {"win81", 6, true}, {"win10", 7, true}};

int32_t expectedWow64() {
    char kind[16] = {};
    GetEnvironmentVariableA("SONOGRAF_WINE_KIND", kind, sizeof kind);
    return std::string(kind) == "wow64" ? 1 : 0;
}

TEST(OsVersionUnderWine, EachEmulatedVersionGivesItsCodeAndTheWow64FlagOfThePrefix) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    for (const EmulatedVersion& version : kVersions) {
        std::string name = std::string("sonograf-osv-") + version.wineName + ".exe";
        std::string copy = std::string(temp) + name;
        ASSERT_TRUE(CopyFileA(ownPath().c_str(), copy.c_str(), FALSE));
        std::string key = "Software\\Wine\\AppDefaults\\" + name;
        HKEY handle;
        if (version.perProgram) {
            ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, key.c_str(), &handle), ERROR_SUCCESS);
            RegSetValueExA(handle, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.wineName),
                           static_cast<DWORD>(std::strlen(version.wineName) + 1));
            RegCloseKey(handle);
        }
        DWORD result = runProgram(copy, "--report-version", 60000);
        RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
        DeleteFileA(copy.c_str());
        EXPECT_EQ(static_cast<int32_t>(result >> 1) - 1, version.code) << version.wineName;
        EXPECT_EQ(static_cast<int32_t>(result & 1), expectedWow64()) << version.wineName;
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--report-version")
        return (getOsVersionCode() + 1) * 2 + detectWow64();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
