// Header field layout, the entry-name safety rule and the package builder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "package/keystream.h"
#include "package/md5.h"
#include "package/package_builder.h"
#include "package/package_format.h"

namespace {

// Entry 1 starts at 156: name at 156, then offset 284, size 288, digest 292
// and reserved 308, little-endian; entry 0's bytes stay zero.
TEST(PackageFormat, EntryFieldsLieAtTheirDocumentedOffsetsLittleEndian) {
    PackageEntry entry = {"readme.txt", 0x04030201u, 0x08070605u, {}, PACKAGE_RESERVED_VALUE};
    std::vector<uint8_t> header(PACKAGE_HEADER_SIZE, 0), expected(PACKAGE_HEADER_SIZE, 0);
    const uint8_t fields[12] = {1, 2, 3, 4, 5, 6, 7, 8, 0x3C, 0, 0x48, 0};
    memcpy(&expected[156], "readme.txt", 10);
    memcpy(&expected[284], fields, 8);
    for (uint8_t i = 0; i < 16; ++i) entry.digest[i] = expected[292 + i] = static_cast<uint8_t>(0xD0 + i);
    memcpy(&expected[308], fields + 8, 4);
    writePackageEntry(header.data(), 1, &entry);
    EXPECT_EQ(expected, header);

    PackageEntry back;
    readPackageEntry(header.data(), 1, &back);
    EXPECT_EQ(0, memcmp(&back, &entry, sizeof entry)) << "every field reads back";
}

// Safe means: written below the install folder exactly as given. Each name
// fills a field of its own size, NUL-padded when it is shorter.
TEST(PackageFormat, NameSafetyRule) {
    const std::string longest(PACKAGE_NAME_SIZE - 1, 'a'), full(PACKAGE_NAME_SIZE, 'a');
    const struct {
        const char* name;
        int safe;
    } cases[] = {
        {"sonograf.exe", 1},
        {"docs\\readme.txt", 1},
        {"a.b\\..c\\.config", 1},   // dots inside or in front of a name do not climb
        {" lead\\caf\xE9 \xB9.txt", 1},
        {"console.txt", 1},
        {"com10", 1},
        {"COM0", 1},
        {"COM\xB4", 1},             // not a superscript digit
        {"COM\xC2\xB4", 1},
        {"LPT\xC3\xB9", 1},         // U+00F9, not U+00B9
        {"COM1\xB9", 1},
        {longest.c_str(), 1},       // the field's last byte is its NUL
        {"", 0},                    // names no file
        {full.c_str(), 0},          // no NUL in the field
        {"\\Windows\\evil.dll", 0}, // rooted: an empty first component
        {"\\\\server\\share\\x", 0},
        {"c\\\\d", 0},              // empty component
        {"a\\", 0},
        {".", 0},
        {".\\readme.txt", 0},
        {"..\\evil.exe", 0},
        {"docs\\..", 0},
        {"...\\evil.exe", 0},       // Windows trims trailing dots
        {".. \\evil.exe", 0},       // and trailing spaces
        {"readme.", 0},
        {"readme.txt ", 0},
        {" ", 0},
        {"dir.\\x", 0},
        {"sub/app.exe", 0},         // '/' is no separator here
        {"/etc/passwd", 0},
        {"C:\\evil.exe", 0},        // drive
        {"C:evil.exe", 0},
        {"readme.txt:stream", 0},   // alternate data stream
        {"a<b", 0}, {"a>b", 0}, {"a\"b", 0}, {"a|b", 0}, {"a?b", 0}, {"a*b", 0},
        {"tab\there", 0},
        {"esc\x1b[2J", 0},
        {"del\x7f", 0},
        {"CON", 0},                 // devices, with or without extension
        {"docs\\nul.txt", 0},
        {"com1", 0},
        {"LPT9.log", 0},
        {"aux .txt", 0},
        {"CONIN$", 0},
        {"conout$.txt", 0},
        {"COM\xB9", 0},             // superscript one, two, three
        {"lpt\xB2.x", 0},
        {"LPT\xB3", 0},
        {"LPT\xC2\xB9", 0},         // the same in UTF-8
        {"docs\\com\xC2\xB2 .txt", 0},
        {"COM\xC2\xB3", 0},
    };
    for (const auto& c : cases) {
        char field[PACKAGE_NAME_SIZE] = {0};
        memcpy(field, c.name, std::min(strlen(c.name), sizeof field));
        EXPECT_EQ(c.safe, packageNameIsSafe(field)) << "name \"" << c.name << "\"";
    }
}

TEST(PackageFormat, NamesThatWriteOneFile) {
    const struct {
        const char* first;
        const char* second;
        int same;
    } cases[] = {
        {"readme.txt", "readme.txt", 1},
        {"A.txt", "a.txt", 1},
        {"Docs\\ReadMe.TXT", "docs\\readme.txt", 1},
        {"caf\xE9.txt", "caf\xC9.txt", 1},  // case of the code page, unknown here
        {"a.txt", "a.txt2", 0},
        {"a.txt", "b.txt", 0},
        {"docs\\a", "docs", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.same, packageNamesNameOneFile(c.first, c.second)) << c.first << " / " << c.second;
        EXPECT_EQ(c.same, packageNamesNameOneFile(c.second, c.first)) << c.second << " / " << c.first;
    }
}

// The header names each entry, NUL-filled, with its place, its size, the
// digest of its plain bytes and the reserved value.
TEST(PackageBuilder, LaysOutHeaderAndStoredBytesAsTheScheduleEncodesThem) {
    const std::vector<uint8_t> app = {'M', 'Z', 0x90, 0, 3, 0, 0};
    const std::vector<uint8_t> readme = {'h', 'i', '\n'};
    const PackageFile files[2] = {{"sonograf.exe", app.data(), 7}, {"readme.txt", readme.data(), 3}};
    ASSERT_EQ(312u + 7 + 3, packageBuildSize(files));
    std::vector<uint8_t> package(packageBuildSize(files));
    ASSERT_EQ(0, buildPackage(files, package.data(), static_cast<uint32_t>(package.size())));

    PackageEntry entries[2] = {{"sonograf.exe", 312, 7, {}, PACKAGE_RESERVED_VALUE},
                               {"readme.txt", 319, 3, {}, PACKAGE_RESERVED_VALUE}};
    md5Digest(app.data(), 7, entries[0].digest);
    md5Digest(readme.data(), 3, entries[1].digest);
    std::vector<uint8_t> header(PACKAGE_HEADER_SIZE);
    for (uint32_t i = 0; i < 2; ++i) writePackageEntry(header.data(), i, &entries[i]);
    EXPECT_EQ(header, std::vector<uint8_t>(package.begin(), package.begin() + PACKAGE_HEADER_SIZE));

    // Entry 0 under the initial key and a zero table; entry 1 under the key
    // and table derived from entry 0's stored bytes.
    PackageStream stream;
    startPackageSchedule(&stream);
    uint8_t plain[7], digest[MD5_DIGEST_SIZE];
    applyTableStream(plain, package.data() + 312, 7, stream.key, stream.table);
    EXPECT_EQ(0, memcmp(plain, app.data(), 7));
    md5Digest(package.data() + 312, 7, digest);
    advancePackageSchedule(&stream, digest);
    applyTableStream(plain, package.data() + 319, 3, stream.key, stream.table);
    EXPECT_EQ(0, memcmp(plain, readme.data(), 3));
}

TEST(PackageBuilder, RefusesUnsafeOrOverlongNamesAndShortOutput) {
    const uint8_t byte = 1;
    const std::string longName(128, 'n');
    const std::string longestName(127, 'n');
    const struct {
        const char* name;
        uint32_t capacity;
        int expected;
    } cases[] = {
        {"..\\evil.exe", 400, -1},
        {"Sonograf.EXE", 400, -1},  // entry 0's file
        {longName.c_str(), 400, -1},
        {longestName.c_str(), 400, 0},
        {"readme.txt", 313, -2},  // needs 314
        {"readme.txt", 314, 0},
    };
    for (const auto& c : cases) {
        const PackageFile files[2] = {{"sonograf.exe", &byte, 1}, {c.name, &byte, 1}};
        std::vector<uint8_t> output(400);
        EXPECT_EQ(c.expected, buildPackage(files, output.data(), c.capacity)) << c.name;
    }
}

}  // namespace
