// The package's Windows layer: the real installer's resource read and
// extracted into a temporary install folder, packages of our own placed as
// RCDATA 100 into a copy of the installer, and resource or memory failures
// that Wine does not produce, through a table of fake calls.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "package/md5.h"
#include "package/package_builder.h"
#include "package/package_format.h"
#include "package/package_resource.h"
#include "support/bytes.h"
#include "support/installed.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

std::vector<uint8_t> packageOf(const char* name0, const std::string& bytes0, const char* name1,
                               const std::string& bytes1) {
    const PackageFile files[2] = {
        {name0, reinterpret_cast<const uint8_t*>(bytes0.data()), static_cast<uint32_t>(bytes0.size())},
        {name1, reinterpret_cast<const uint8_t*>(bytes1.data()), static_cast<uint32_t>(bytes1.size())}};
    std::vector<uint8_t> package(packageBuildSize(files));
    EXPECT_EQ(0, buildPackage(files, package.data(), static_cast<uint32_t>(package.size())));
    return package;
}

// A program loaded as data: `program`, or a copy of it carrying `package` in
// place of its own. It holds what the package functions take: the module, a
// zero-filled header and an install folder made for the test.
struct Carrier {
    TempFolder temp;
    const std::string install = temp.file("install");
    HMODULE module = nullptr;
    uint8_t header[PACKAGE_HEADER_SIZE] = {};
    char folder[1024] = {};

    explicit Carrier(const std::string& program, const std::vector<uint8_t>& package = {}) {
        const std::string loaded = package.empty() ? program : temp.file("carrier.exe");
        if (!package.empty())
            EXPECT_TRUE(copyWithPackage(program, loaded, std::string(package.begin(), package.end())));
        module = LoadLibraryExA(loaded.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        EXPECT_NE(nullptr, module) << loaded;
        EXPECT_TRUE(CreateDirectoryA(install.c_str(), nullptr));
        snprintf(folder, sizeof folder, "%s", install.c_str());
    }
    ~Carrier() {
        if (module) FreeLibrary(module);
    }
    Carrier(const Carrier&) = delete;
    Carrier& operator=(const Carrier&) = delete;

    int read(const PackageResourceCalls& calls = realPackageResourceCalls) {
        return readPackageHeader(module, header, calls);
    }
    int extract(const char* only, const PackageResourceCalls& calls = realPackageResourceCalls) {
        return extractPackage(module, header, folder, only, nullptr, calls);
    }
    std::string installed(const char* name) const { return install + "\\" + name; }
};

// The file holds the entry's plain bytes: its MD5 is the entry's digest.
void expectFileMatchesEntry(const std::string& path, const PackageEntry& entry) {
    const std::vector<uint8_t> bytes = readFile(path);
    ASSERT_EQ(entry.size, bytes.size()) << path;
    uint8_t digest[MD5_DIGEST_SIZE];
    md5Digest(bytes.data(), static_cast<uint32_t>(bytes.size()), digest);
    EXPECT_EQ(0, memcmp(digest, entry.digest, MD5_DIGEST_SIZE)) << path;
}

TEST(PackageResource, RealInstallerPackageIsReadAndExtractedTwice) {
    ASSERT_FALSE(installerPath().empty()) << "SONOGRAF_SETUP names the installer";
    Carrier setup(installerPath());
    ASSERT_NE(nullptr, setup.module);
    const size_t resourceSize = installerPackage(installerPath()).size();

    ASSERT_EQ(0, setup.read());
    PackageEntry app, readme;
    readPackageEntry(setup.header, 0, &app);
    readPackageEntry(setup.header, 1, &readme);
    EXPECT_STREQ("sonograf.exe", app.name);
    EXPECT_STREQ("readme.txt", readme.name);
    EXPECT_EQ(312u, app.offset);
    EXPECT_EQ(app.offset + app.size, readme.offset);
    EXPECT_EQ(resourceSize, readme.offset + readme.size) << "entry 1 ends at the last byte";
    EXPECT_EQ(PACKAGE_RESERVED_VALUE, app.reserved);
    EXPECT_EQ(PACKAGE_RESERVED_VALUE, readme.reserved);

    for (int call = 1; call <= 2; ++call) {
        EXPECT_EQ(0, setup.extract(nullptr)) << "call " << call;
        expectFileMatchesEntry(setup.installed("sonograf.exe"), app);
        expectFileMatchesEntry(setup.installed("readme.txt"), readme);
    }
}

// Only the entry selected is written, then both, a subfolder in a name with its folders.
// (Which entries verify and are written is the portable core's, tested natively.)
TEST(PackageResource, SelectedEntriesAreWrittenWithTheirFolders) {
    Carrier carrier(installerPath(), packageOf("sonograf.exe", "MZ application", "docs\\en\\readme.txt", "read me"));
    // The install folder ends in '\' here: no second separator is added.
    snprintf(carrier.folder, sizeof carrier.folder, "%s\\", carrier.install.c_str());
    ASSERT_EQ(0, carrier.read());
    EXPECT_EQ(0, carrier.extract("sonograf.exe"));
    EXPECT_EQ(namesIn(carrier.install), std::vector<std::string>{"sonograf.exe"});
    EXPECT_EQ(0, carrier.extract(nullptr));
    EXPECT_EQ(readFile<std::string>(carrier.installed("docs\\en\\readme.txt")), "read me");
    EXPECT_EQ(readFile<std::string>(carrier.installed("sonograf.exe")), "MZ application");
}

TEST(PackageResource, HeaderNeedsMoreThan312Bytes) {
    std::vector<uint8_t> package = packageOf("sonograf.exe", "a", "readme.txt", "");
    ASSERT_EQ(313u, package.size());
    // The header is copied as it stands: bytes after each name's NUL and the
    // reserved fields included, and an entry lying beyond the resource.
    for (uint32_t entry = 0; entry < PACKAGE_ENTRY_COUNT; ++entry) {
        uint8_t* field = package.data() + entry * PACKAGE_ENTRY_SIZE;
        for (uint32_t i = 13; i < PACKAGE_NAME_SIZE; ++i) field[i] = static_cast<uint8_t>(0x80 + i);
        writeLittleEndian32(field + PACKAGE_FIELD_RESERVED, 0xFEEDF00Du + entry);
    }
    writeLittleEndian32(package.data() + PACKAGE_ENTRY_SIZE + PACKAGE_FIELD_OFFSET, 0x7FFFFFF0u);
    {
        Carrier carrier(installerPath(), package);
        for (int read = 1; read <= 2; ++read) {
            EXPECT_EQ(0, carrier.read()) << "read " << read;
            EXPECT_EQ(0, memcmp(carrier.header, package.data(), PACKAGE_HEADER_SIZE)) << "read " << read;
        }
    }
    package.pop_back();
    Carrier carrier(installerPath(), package);
    memset(carrier.header, 0xA5, PACKAGE_HEADER_SIZE);
    EXPECT_EQ(-1, carrier.read());
    for (uint8_t b : carrier.header) ASSERT_EQ(0xA5, b) << "header left unchanged";
}

TEST(PackageResource, ModuleWithoutPackageGivesMinusOneAndWritesNothing) {
    Carrier self(ownPath());
    EXPECT_EQ(-1, self.read());
    EXPECT_EQ(-1, self.extract(nullptr));
    EXPECT_TRUE(namesIn(self.install).empty());
}

// Fakes for the failures Wine does not produce: the real resource calls,
// except for the step a test makes fail; frees are counted.
struct Faults {
    bool failLoad = false;
    bool failLock = false;
    bool failAlloc = false;
    int frees = 0;
    HGLOBAL lastFreed = reinterpret_cast<HGLOBAL>(1);
};
Faults faults;

HGLOBAL WINAPI fakeLoad(HMODULE module, HRSRC found) {
    return faults.failLoad ? nullptr : LoadResource(module, found);
}
LPVOID WINAPI fakeLock(HGLOBAL loaded) { return faults.failLock ? nullptr : LockResource(loaded); }
BOOL WINAPI fakeFree(HGLOBAL loaded) {
    ++faults.frees;
    faults.lastFreed = loaded;
    return FALSE;
}
LPVOID WINAPI fakeAlloc(LPVOID at, SIZE_T size, DWORD type, DWORD protect) {
    return faults.failAlloc ? nullptr : VirtualAlloc(at, size, type, protect);
}

TEST(PackageResource, ResourceAndMemoryFailures) {
    const PackageResourceCalls fakes = {FindResourceA, fakeLoad, SizeofResource, fakeLock,
                                        fakeFree,      fakeAlloc, VirtualFree};
    Carrier carrier(installerPath(), packageOf("sonograf.exe", "app", "readme.txt", "text"));

    for (bool Faults::*failure : {&Faults::failLoad, &Faults::failLock}) {
        faults = Faults();
        faults.*failure = true;
        EXPECT_EQ(-1, carrier.read(fakes));
        EXPECT_EQ(-1, carrier.extract(nullptr, fakes));
        EXPECT_EQ(2, faults.frees) << "the handle is released, also an empty one";
        if (faults.failLoad) EXPECT_EQ(nullptr, faults.lastFreed);
    }

    faults = Faults();
    faults.failAlloc = true;
    EXPECT_EQ(-102, carrier.extract(nullptr, fakes)) << "no decode buffer fails each entry";
    EXPECT_EQ(1, faults.frees);
    EXPECT_FALSE(present(carrier.installed("sonograf.exe")));
    EXPECT_FALSE(present(carrier.installed("readme.txt")));

    faults = Faults();
    EXPECT_EQ(0, carrier.extract(nullptr, fakes));
    EXPECT_EQ(3u, readFile(carrier.installed("sonograf.exe")).size());
}

}  // namespace
