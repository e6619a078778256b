// The extraction core over packages in memory: layout, bounds, key schedule,
// corruption outcomes, name selection and the writer's part.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "package/extract_core.h"
#include "package/keystream.h"
#include "package/md5.h"
#include "package/package_builder.h"
#include "support/bytes.h"

namespace {

const char kInstallFolder[] = "C:\\Program Files\\OV\\Sonograf";

// Records what the extraction asks of its surroundings; can refuse buffers
// or writes for chosen sizes or paths.
struct FakeDisk {
    std::map<std::string, std::vector<uint8_t>> files;
    std::vector<std::string> foldersCreated;
    std::vector<std::string> writesTried;
    uint32_t refuseBufferOfSize = 0xFFFFFFFFu;
    std::string refuseWriteOf;
    int buffersHeld = 0;
    int mostBuffersHeld = 0;
    std::vector<uint32_t> bufferSizes;
};

uint8_t* acquire(void* context, uint32_t size) {
    FakeDisk* disk = static_cast<FakeDisk*>(context);
    disk->bufferSizes.push_back(size);
    EXPECT_NE(0u, size) << "an empty entry takes no buffer";
    if (size == disk->refuseBufferOfSize) return nullptr;
    ++disk->buffersHeld;
    disk->mostBuffersHeld = std::max(disk->mostBuffersHeld, disk->buffersHeld);
    return new uint8_t[size];
}

void release(void* context, uint8_t* buffer, uint32_t) {
    --static_cast<FakeDisk*>(context)->buffersHeld;
    delete[] buffer;
}

void createFolders(void* context, const char* folder) {
    static_cast<FakeDisk*>(context)->foldersCreated.push_back(folder);
}

int writeFile(void* context, const char* path, const uint8_t* bytes, uint32_t size) {
    FakeDisk* disk = static_cast<FakeDisk*>(context);
    disk->writesTried.push_back(path);
    if (disk->refuseWriteOf == path) return 0;
    disk->files[path] = std::vector<uint8_t>(bytes, bytes + size);
    return 1;
}

struct Extraction {
    FakeDisk disk;
    PackageWriter writer{&disk, acquire, release, createFolders, writeFile};
    uint8_t header[PACKAGE_HEADER_SIZE] = {0};

    unsigned outcomes[PACKAGE_ENTRY_COUNT] = {0xFF, 0xFF};

    int run(const std::vector<uint8_t>& resource, const char* onlyName = nullptr,
            const char* installFolder = kInstallFolder) {
        const int result = extractPackageBytes(resource.data(), static_cast<uint32_t>(resource.size()), header,
                                               installFolder, onlyName, &writer, outcomes);
        EXPECT_EQ(0, disk.buffersHeld) << "every buffer is released";
        return result;
    }
    bool wrote(const std::string& name, const std::vector<uint8_t>& bytes) const {
        auto found = disk.files.find(std::string(kInstallFolder) + "\\" + name);
        return found != disk.files.end() && found->second == bytes;
    }
};

struct TestPackage {
    std::vector<uint8_t> app, readme, bytes;
    std::string appName = "sonograf.exe", readmeName = "readme.txt";

    TestPackage(size_t appSize, size_t readmeSize) : app(patterned(appSize, 1)), readme(patterned(readmeSize, 2)) {
        build();
    }
    void build() {
        const PackageFile files[2] = {{appName.c_str(), app.data(), static_cast<uint32_t>(app.size())},
                                      {readmeName.c_str(), readme.data(), static_cast<uint32_t>(readme.size())}};
        bytes.assign(packageBuildSize(files), 0);
        EXPECT_EQ(0, buildPackage(files, bytes.data(), static_cast<uint32_t>(bytes.size())));
    }
    PackageEntry entry(uint32_t index) const {
        PackageEntry e;
        readPackageEntry(bytes.data(), index, &e);
        return e;
    }
    void setEntry(uint32_t index, const PackageEntry& e) { writePackageEntry(bytes.data(), index, &e); }
};

TEST(ExtractCore, CarriedLayoutExtractsBothEntriesEndingAtTheLastByte) {
    TestPackage package(2704016, 4902);
    ASSERT_EQ(2709230u, package.bytes.size());

    Extraction x;
    EXPECT_EQ(0, x.run(package.bytes));
    EXPECT_TRUE(x.wrote("sonograf.exe", package.app));
    EXPECT_TRUE(x.wrote("readme.txt", package.readme));
    EXPECT_EQ(0, memcmp(x.header, package.bytes.data(), PACKAGE_HEADER_SIZE)) << "header refreshed";
    EXPECT_EQ(1, x.disk.mostBuffersHeld);
    EXPECT_EQ((std::vector<uint32_t>{2704016, 4902}), x.disk.bufferSizes);

    // The resource is unchanged, so a second call decodes the same way.
    Extraction again;
    EXPECT_EQ(0, again.run(package.bytes));
    EXPECT_TRUE(again.wrote("sonograf.exe", package.app));
}

// Each case damages the package, makes the disk refuse a step or names the
// only entry to write, and names the outcome, each entry's reasons and the
// files written.
TEST(ExtractCore, CorruptionRefusalAndSelectionOutcomes) {
    void (*const intact)(TestPackage&, FakeDisk&) = [](TestPackage&, FakeDisk&) {};
    const struct {
        const char* what;
        void (*damage)(TestPackage&, FakeDisk&);
        int expected;
        unsigned outcome0, outcome1;
        bool appWritten;
        bool readmeWritten;
        const char* onlyName = nullptr;
    } cases[] = {
        {"entry 1 one byte past the end", [](TestPackage& p, FakeDisk&) { p.bytes.pop_back(); }, -101, 0,
         ENTRY_OUT_OF_BOUNDS, true, false},
        {"entry 0 past the end (entry 1 then decodes with the initial key)",
         [](TestPackage& p, FakeDisk&) {
             PackageEntry e = p.entry(0);
             e.offset = static_cast<uint32_t>(p.bytes.size()) - e.size + 1;
             p.setEntry(0, e);
         },
         -102, ENTRY_OUT_OF_BOUNDS, ENTRY_DIGEST_MISMATCH, false, false},
        {"entry 0 past the end with entry 1 encoded as if entry 0 did not exist: the schedule stays put",
         [](TestPackage& p, FakeDisk&) {
             PackageStream initial;
             startPackageSchedule(&initial);
             const PackageEntry e1 = p.entry(1);
             applyTableStream(p.bytes.data() + e1.offset, p.readme.data(), e1.size, initial.key, initial.table);
             PackageEntry e0 = p.entry(0);
             e0.offset = 0xFFFFFF00u;
             p.setEntry(0, e0);
         },
         -101, ENTRY_OUT_OF_BOUNDS, 0, false, true},
        {"offset + size wraps around 32 bits",
         [](TestPackage& p, FakeDisk&) {
             PackageEntry e = p.entry(1);
             e.offset = 0xFFFFFFF0u;
             e.size = 0x20u;
             p.setEntry(1, e);
         },
         -101, 0, ENTRY_OUT_OF_BOUNDS, true, false},
        {"flipped stored byte in entry 0 changes entry 1's key too",
         [](TestPackage& p, FakeDisk&) { p.bytes[312 + 5] ^= 1; }, -102, ENTRY_DIGEST_MISMATCH, ENTRY_DIGEST_MISMATCH,
         false, false},
        {"flipped stored byte in entry 1", [](TestPackage& p, FakeDisk&) { p.bytes.back() ^= 0x80; }, -101, 0,
         ENTRY_DIGEST_MISMATCH, true, false},
        {"wrong digest field in entry 0 leaves entry 1's key intact",
         [](TestPackage& p, FakeDisk&) { p.bytes[PACKAGE_FIELD_DIGEST] ^= 1; }, -101, ENTRY_DIGEST_MISMATCH, 0, false,
         true},
        {"wrong digest field in entry 1",
         [](TestPackage& p, FakeDisk&) { p.bytes[PACKAGE_ENTRY_SIZE + PACKAGE_FIELD_DIGEST + 15] ^= 1; }, -101, 0,
         ENTRY_DIGEST_MISMATCH, true, false},
        {"unsafe name in entry 0 fails it but keeps the schedule",
         [](TestPackage& p, FakeDisk&) { memcpy(p.bytes.data(), "..\\x.exe", 9); }, -101, ENTRY_UNSAFE_NAME, 0, false,
         true},
        {"unsafe name and out of bounds are both reported",
         [](TestPackage& p, FakeDisk&) {
             memcpy(p.bytes.data() + PACKAGE_ENTRY_SIZE, "nul", 4);
             p.bytes.pop_back();
         },
         -101, 0, ENTRY_UNSAFE_NAME | ENTRY_OUT_OF_BOUNDS, true, false},
        {"name in entry 1 without a NUL",
         [](TestPackage& p, FakeDisk&) { memset(p.bytes.data() + PACKAGE_ENTRY_SIZE, 'a', PACKAGE_NAME_SIZE); }, -101,
         0, ENTRY_UNSAFE_NAME, true, false},
        {"entry 1 names entry 0's file in other case: it fails, entry 0 stays",
         [](TestPackage& p, FakeDisk&) { memcpy(p.bytes.data() + PACKAGE_ENTRY_SIZE, "SonoGraf.exe", 13); }, -101, 0,
         ENTRY_SAME_FILE, true, false},
        {"empty last entry: written, but the package counts as missing",
         [](TestPackage& p, FakeDisk&) {
             p.readme.clear();
             p.build();
         },
         -1, 0, 0, true, true},
        {"no buffer for entry 0: entry 1 keeps the key from entry 0's stored bytes",
         [](TestPackage&, FakeDisk& d) { d.refuseBufferOfSize = 3000; }, -101, ENTRY_NO_BUFFER, 0, false, true},
        {"entry 0 not written",
         [](TestPackage&, FakeDisk& d) { d.refuseWriteOf = std::string(kInstallFolder) + "\\sonograf.exe"; }, -101,
         ENTRY_NOT_WRITTEN, 0, false, true},
        {"only readme.txt", intact, 0, 0, 0, false, true, "readme.txt"},
        {"only sonograf.exe", intact, 0, 0, 0, true, false, "sonograf.exe"},
        {"only readme.txt, entry 0 still verified",
         [](TestPackage& p, FakeDisk&) { p.bytes[PACKAGE_FIELD_DIGEST] ^= 0xFF; }, -101, ENTRY_DIGEST_MISMATCH, 0,
         false, true, "readme.txt"},
        {"only a name the package lacks", intact, 0, 0, 0, false, false, "nothing.txt"},
        {"only a name in other case: it is compared case-sensitively", intact, 0, 0, 0, false, false, "README.TXT"},
        {"only the start of a name: the whole name is compared", intact, 0, 0, 0, false, false, "readme.tx"},
    };
    for (const auto& c : cases) {
        TestPackage package(3000, 200);
        Extraction x;
        c.damage(package, x.disk);
        EXPECT_EQ(c.expected, x.run(package.bytes, c.onlyName)) << c.what;
        EXPECT_EQ(c.outcome0, x.outcomes[0]) << c.what;
        EXPECT_EQ(c.outcome1, x.outcomes[1]) << c.what;
        EXPECT_EQ(c.appWritten, x.wrote("sonograf.exe", package.app)) << c.what;
        EXPECT_EQ(c.readmeWritten, x.wrote("readme.txt", package.readme)) << c.what;
        const size_t refused = x.disk.refuseWriteOf.empty() ? 0 : 1;
        EXPECT_EQ(x.disk.files.size() + refused, x.disk.writesTried.size())
            << c.what << ": only verified entries are written";
    }
}

TEST(ExtractCore, ResourceNoLargerThanTheHeaderUsesTheHeaderItHas) {
    // The stored bytes alone, with a header whose offsets point into them.
    TestPackage package(10, 5);
    std::vector<uint8_t> stored(package.bytes.begin() + 312, package.bytes.end());
    Extraction x;
    memcpy(x.header, package.bytes.data(), PACKAGE_HEADER_SIZE);
    PackageEntry e0 = package.entry(0), e1 = package.entry(1);
    e0.offset = 0;
    e1.offset = 10;
    writePackageEntry(x.header, 0, &e0);
    writePackageEntry(x.header, 1, &e1);
    uint8_t before[PACKAGE_HEADER_SIZE];
    memcpy(before, x.header, sizeof before);

    EXPECT_EQ(0, x.run(stored));
    EXPECT_TRUE(x.wrote("sonograf.exe", package.app));
    EXPECT_TRUE(x.wrote("readme.txt", package.readme));
    EXPECT_EQ(0, memcmp(before, x.header, sizeof before)) << "header left as it was";

    // Exactly 312 bytes are not a header either; the entries of the kept
    // header lie beyond them.
    std::vector<uint8_t> headerOnly(package.bytes.begin(), package.bytes.begin() + 312);
    Extraction y;
    memcpy(y.header, package.bytes.data(), PACKAGE_HEADER_SIZE);
    EXPECT_EQ(-102, y.run(headerOnly));
    EXPECT_TRUE(y.disk.writesTried.empty());
}

// The install folder and entry name make each destination; one that does
// not fit fails before anything is created or written.
TEST(ExtractCore, DestinationPathsAndFolders) {
    // 1000 + 1 + 12 fits in 1024 with its NUL; 1013 + 1 + 10 does not.
    const std::string fits = "C:\\" + std::string(997, 'f'), tooLong = "C:\\" + std::string(1010, 'f');
    const struct {
        std::string installFolder;
        const char* readmeName;
        int expected;
        std::string readmePath;  // empty: nothing is written
        std::vector<std::string> folders;
    } cases[] = {
        {"C:\\OV\\Sonograf", "readme.txt", 0, "C:\\OV\\Sonograf\\readme.txt", {}},
        // A folder ending in '\' gets no second one, and differs from the
        // folder of its files by that '\', so the chain is created again.
        {"C:\\OV\\Sonograf\\",
         "readme.txt",
         0,
         "C:\\OV\\Sonograf\\readme.txt",
         {"C:\\OV\\Sonograf", "C:\\OV\\Sonograf"}},
        {"C:\\OV\\Sonograf",
         "docs\\en\\readme.txt",
         0,
         "C:\\OV\\Sonograf\\docs\\en\\readme.txt",
         {"C:\\OV\\Sonograf\\docs\\en"}},
        {fits, "readme.txt", 0, fits + "\\readme.txt", {}},
        {tooLong, "readme.txt", -102, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installFolder.substr(0, 40) + " + " + c.readmeName);
        TestPackage package(30, 20);
        package.readmeName = c.readmeName;
        package.build();
        Extraction x;
        EXPECT_EQ(c.expected, x.run(package.bytes, nullptr, c.installFolder.c_str()));
        if (c.readmePath.empty()) EXPECT_TRUE(x.disk.writesTried.empty());
        else EXPECT_EQ(1u, x.disk.files.count(c.readmePath));
        EXPECT_EQ(c.folders, x.disk.foldersCreated);
    }
}

}  // namespace
