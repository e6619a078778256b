// The package tool: build/list/verify/extract on real temporary files, the
// messages that name a broken entry and rule, extraction confined to its
// folder, and the PE resource lookup on synthetic and real executables.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "package/keystream.h"
#include "package/md5.h"
#include "package/package_builder.h"
#include "package/package_format.h"
#include "tools/pack_commands.h"
#include "tools/package_check.h"
#include "tools/pe_resource.h"
#include "fuzz/synthetic_pe.h"
#include "support/bytes.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int code;
    std::string out, err;
};

// A fresh folder per test with an application and a read-me to pack; removed afterwards.
class PackTool : public testing::Test {
protected:
    fs::path folder;
    std::vector<uint8_t> app = patterned(5000, 7);
    std::vector<uint8_t> readme = patterned(300, 9);

    void SetUp() override {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() / ("sonograf-pack-test-" + std::string(info->name()) + "-" +
                                              std::to_string(static_cast<unsigned long>(::getpid())));
        fs::remove_all(folder);
        fs::create_directories(folder);
        writeFile(folder / "app.exe", app);
        writeFile(folder / "readme.txt", readme);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string at(const char* name) const { return (folder / name).string(); }

    ToolRun run(std::vector<std::string> args) const {
        std::ostringstream out, err;
        const int code = runPackTool(args, out, err);
        return {code, out.str(), err.str()};
    }
    // Runs the tool and expects its exit code and a text in what it printed:
    // on standard output when it succeeds, on standard error when it does not.
    ToolRun expectRun(std::vector<std::string> args, int code, const std::string& printed = "") const {
        const ToolRun ran = run(args);
        const std::string& said = code == PACK_EXIT_OK ? ran.out : ran.err;
        EXPECT_EQ(code, ran.code) << ran.out << ran.err;
        EXPECT_NE(std::string::npos, said.find(printed)) << "lacks: " << printed << "\n" << said;
        return ran;
    }
    // Builds pkg.bin from the two files and returns its bytes.
    std::vector<uint8_t> built(const char* name0 = "sonograf.exe", const char* name1 = "readme.txt") const {
        expectRun({"build", at("pkg.bin"), at("app.exe"), at("readme.txt"), name0, name1}, PACK_EXIT_OK);
        return readFile(folder / "pkg.bin");
    }
};

std::string md5Hex(const std::vector<uint8_t>& bytes) {
    uint8_t digest[MD5_DIGEST_SIZE];
    md5Digest(bytes.data(), static_cast<uint32_t>(bytes.size()), digest);
    return digestText(digest);
}

TEST_F(PackTool, BuildListVerifyExtractRoundTrip) {
    expectRun({"build", at("pkg.bin"), at("app.exe"), at("readme.txt")}, PACK_EXIT_OK);
    EXPECT_FALSE(fs::exists(folder / "pkg.bin.tmp"));
    EXPECT_EQ(at("pkg.bin") + ": package of 5612 bytes\nentry 0 \"sonograf.exe\": offset 312, size 5000, end 5312, " +
                  "digest " + md5Hex(app) + ", reserved 0x0048003C, ok\nentry 1 \"readme.txt\": offset 5312, size " +
                  "300, end 5612, digest " + md5Hex(readme) + ", reserved 0x0048003C, ok\n",
              expectRun({"list", at("pkg.bin")}, PACK_EXIT_OK).out);
    expectRun({"verify", at("pkg.bin")}, PACK_EXIT_OK, "verify: ok");
    expectRun({"extract", at("pkg.bin"), at("out")}, PACK_EXIT_OK);
    EXPECT_EQ(app, readFile(folder / "out" / "sonograf.exe"));
    EXPECT_EQ(readme, readFile(folder / "out" / "readme.txt"));
}

// The name rule has its own table; here a few names show that build applies
// it. The installer's extraction fails a package whose last entry is empty,
// so build refuses that too.
TEST_F(PackTool, BuildRefusesUnsafeNamesAndEmptyLastEntryAndWritesNothing) {
    const std::string tooLong(128, 'a');
    const char* const must = "\": it must be a relative name";
    const std::pair<const char*, const char*> refused[] = {
        {"..\\escape.exe", must}, {tooLong.c_str(), must}, {"Sonograf.exe", "\": it names the same file as entry 0"}};
    for (const auto& name : refused) {
        expectRun({"build", at("pkg.bin"), at("app.exe"), at("readme.txt"), "sonograf.exe", name.first},
                  PACK_EXIT_BROKEN, "refused entry 1 name \"" + std::string(name.first) + name.second);
        EXPECT_FALSE(fs::exists(folder / "pkg.bin"));
    }
    writeFile(folder / "empty.txt", "");
    expectRun({"build", at("pkg.bin"), at("app.exe"), at("empty.txt")}, PACK_EXIT_BROKEN,
              "entry 1 \"readme.txt\": empty last entry");
    EXPECT_FALSE(fs::exists(folder / "pkg.bin"));
    expectRun({"build", at("pkg.bin"), at("app.exe"), at("readme.txt"), "bin\\app.exe", std::string(127, 'r')},
              PACK_EXIT_OK);
}

TEST_F(PackTool, UsageAndFileErrorsExitWithTwo) {
    expectRun({}, PACK_EXIT_USAGE);
    expectRun({"pack", at("x")}, PACK_EXIT_USAGE);
    expectRun({"verify"}, PACK_EXIT_USAGE);
    expectRun({"verify", at("missing.bin")}, PACK_EXIT_USAGE, "cannot open");
    expectRun({"build", at("pkg.bin"), at("missing.exe"), at("readme.txt")}, PACK_EXIT_USAGE);

    // A folder where a file belongs is a file error, not a crash.
    fs::create_directories(folder / "dir");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"list", at("dir")},
             {"verify", at("dir")},
             {"extract", at("dir"), at("out")},
             {"build", at("pkg.bin"), at("dir"), at("readme.txt")},
             {"build", at("dir"), at("app.exe"), at("readme.txt")}})
        expectRun(args, PACK_EXIT_USAGE, "dir is a folder, not a file");
    EXPECT_TRUE(fs::is_directory(folder / "dir"));
}

// Each case damages a built package; verify must fail and print exactly the
// listed messages' key parts (entry label and rule), and nothing about sound entries.
TEST_F(PackTool, VerifyNamesTheEntryAndTheRule) {
    const struct {
        const char* what;
        void (*damage)(std::vector<uint8_t>&);
        std::vector<std::string> expected;
        std::vector<std::string> absent;
    } cases[] = {
        {"stored byte of entry 0 flipped", [](std::vector<uint8_t>& p) { p[312 + 2500] ^= 0x10; },
         {"entry 0 \"sonograf.exe\": digest mismatch", "entry 1 \"readme.txt\": digest mismatch",
          "key derives from entry 0"},
         {}},
        {"stored byte of entry 1 flipped", [](std::vector<uint8_t>& p) { p[5312 + 150] ^= 0x01; },
         {"entry 1 \"readme.txt\": digest mismatch"},
         {"entry 0"}},
        {"digest field of entry 0 wrong", [](std::vector<uint8_t>& p) { p[PACKAGE_FIELD_DIGEST + 3] ^= 0xFF; },
         {"entry 0 \"sonograf.exe\": digest mismatch"},
         {"entry 1"}},
        {"entry 1 one byte past the end", [](std::vector<uint8_t>& p) { p.pop_back(); },
         {"entry 1 \"readme.txt\": out of bounds: offset 5312 + size 300 ends past the package's 5611 bytes"},
         {"entry 0"}},
        {"name without a NUL", [](std::vector<uint8_t>& p) { memset(p.data() + 156, 'n', 128); },
         {"entry 1 \"nnnn", "(no NUL in 128 bytes)\": unsafe name"},
         {"entry 0"}},
        {"entry 1 emptied, its digest that of nothing",
         [](std::vector<uint8_t>& p) {
             p.resize(5312);
             writeLittleEndian32(&p[PACKAGE_ENTRY_SIZE + PACKAGE_FIELD_SIZE], 0);
             md5Digest(nullptr, 0, &p[PACKAGE_ENTRY_SIZE + PACKAGE_FIELD_DIGEST]);
         },
         {"entry 1 \"readme.txt\": empty last entry"},
         {"entry 0", "digest"}},
        {"header only", [](std::vector<uint8_t>& p) { p.resize(312); },
         {"package of 312 bytes: it must be larger than the 312-byte header"},
         {"entry"}},
    };
    const std::vector<uint8_t> sound = built();
    for (const auto& c : cases) {
        std::vector<uint8_t> package = sound;
        c.damage(package);
        writeFile(folder / "damaged.bin", package);
        const ToolRun verify = run({"verify", at("damaged.bin")});
        EXPECT_EQ(PACK_EXIT_BROKEN, verify.code) << c.what;
        for (const std::string& text : c.expected)
            EXPECT_NE(std::string::npos, verify.err.find(text)) << c.what << " lacks: " << text << "\n" << verify.err;
        for (const std::string& text : c.absent)
            EXPECT_EQ(std::string::npos, verify.err.find(text)) << c.what << " names: " << text << "\n" << verify.err;
    }
}

// Stored bytes may overlap the header, entry 0's name included: verify, which
// runs the installer's extraction, must judge the bytes the installer reads.
// Entry 1 is moved onto the first 128 bytes, its digest computed with entry
// 0's name as the header holds it, or as if that name read "entry0".
TEST_F(PackTool, VerifyAgreesWithTheInstallerOnStoredBytesOverlappingTheHeader) {
    const std::vector<uint8_t> sound = built();
    for (const char* name0 : {static_cast<const char*>(nullptr), "entry0"}) {
        std::vector<uint8_t> package = sound;
        PackageEntry e0, e1;
        readPackageEntry(package.data(), 0, &e0);
        readPackageEntry(package.data(), 1, &e1);
        e1.offset = 0;
        e1.size = 128;
        std::vector<uint8_t> seen(package.begin(), package.begin() + 128);
        if (name0 != nullptr) {
            std::fill(seen.begin(), seen.end(), 0);
            memcpy(seen.data(), name0, strlen(name0));
        }
        PackageStream stream;
        startPackageSchedule(&stream);
        uint8_t storedDigest[MD5_DIGEST_SIZE];
        md5Digest(package.data() + e0.offset, e0.size, storedDigest);
        advancePackageSchedule(&stream, storedDigest);
        applyTableStream(seen.data(), seen.data(), 128, stream.key, stream.table);
        md5Digest(seen.data(), 128, e1.digest);
        writePackageEntry(package.data(), 1, &e1);

        writeFile(folder / "overlap.bin", package);
        if (name0 == nullptr) expectRun({"verify", at("overlap.bin")}, PACK_EXIT_OK, "verify: ok");
        else expectRun({"verify", at("overlap.bin")}, PACK_EXIT_BROKEN, "entry 1 \"readme.txt\": digest mismatch");
    }
}

// Two names for one file: verify names the second, and extract writes the
// first and fails the second instead of overwriting it.
TEST_F(PackTool, EntriesThatNameOneFile) {
    std::vector<uint8_t> package = built("A.txt", "b.txt");
    memcpy(package.data() + PACKAGE_ENTRY_SIZE, "a.txt", 5);
    writeFile(folder / "same.bin", package);
    expectRun({"verify", at("same.bin")}, PACK_EXIT_BROKEN, "entry 1 \"a.txt\": same file as an earlier entry");
    const ToolRun extract = expectRun({"extract", at("same.bin"), at("out")}, PACK_EXIT_BROKEN);
    EXPECT_EQ("wrote " + at("out/A.txt") + "\n", extract.out);
    EXPECT_EQ(app, readFile(folder / "out" / "A.txt"));
}

// A full disk, as a file size limit: the file that does not fit is removed
// and named; the one that fits is written.
TEST_F(PackTool, ExtractLeavesNoHalfWrittenFile) {
    built();
    struct rlimit saved;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 1000;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limited));
    const ToolRun extract = run({"extract", at("pkg.bin"), at("out")});
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_EQ(PACK_EXIT_USAGE, extract.code);
    EXPECT_EQ(1, std::distance(fs::directory_iterator(folder / "out"), {}));  // no temporary file left
    EXPECT_EQ(readme, readFile(folder / "out" / "readme.txt"));
    EXPECT_NE(std::string::npos, extract.err.find("cannot write " + at("out/sonograf.exe"))) << extract.err;
    EXPECT_EQ(std::string::npos, extract.out.find("sonograf.exe")) << extract.out;
}

// Whatever the package or the command line holds, nothing printed moves the
// cursor or rewrites the terminal: control bytes appear escaped.
TEST_F(PackTool, PrintsNoControlBytes) {
    std::vector<uint8_t> package = built();
    const char hostile[] = "\x1b]0;x\x07\rwrote /etc/shadow";
    memcpy(package.data(), hostile, sizeof hostile);
    writeFile(folder / "escape.bin", package);
    const std::string out = at("out\x1b[2J");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"list", at("escape.bin")}, {"verify", at("escape.bin")},
          {"extract", at("escape.bin"), out}, {"extract", at("pkg.bin"), out}, {"verify", out + "\x1b"}}) {
        const ToolRun printed = run(args);
        for (const std::string& text : {printed.out, printed.err}) {
            for (char c : text)
                EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F))
                    << args[0] << " printed byte " << int(c) << ": " << text;
        }
        EXPECT_NE(std::string::npos, (printed.out + printed.err).find("\\x1b")) << args[0];
    }
}

TEST_F(PackTool, ExtractWritesSubfoldersButNothingOutsideItsFolder) {
    built("bin\\sonograf.exe", "doc\\readme.txt");
    expectRun({"extract", at("pkg.bin"), at("out")}, PACK_EXIT_OK);
    EXPECT_EQ(app, readFile(folder / "out" / "bin" / "sonograf.exe"));
    EXPECT_EQ(readme, readFile(folder / "out" / "doc" / "readme.txt"));

    // A climbing name put into the header by hand: entry 0 is refused, entry 1 written.
    std::vector<uint8_t> package = built();
    memset(package.data(), 0, PACKAGE_NAME_SIZE);
    memcpy(package.data(), "..\\..\\escape.exe", 17);
    writeFile(folder / "climbing.bin", package);
    expectRun({"extract", at("climbing.bin"), at("deep/out")}, PACK_EXIT_BROKEN, "unsafe name");
    EXPECT_FALSE(fs::exists(folder / "escape.exe"));
    EXPECT_FALSE(fs::exists(folder / "deep" / "escape.exe"));
    EXPECT_EQ(readme, readFile(folder / "deep" / "out" / "readme.txt"));

    // A symbolic link inside the folder is not followed out of it.
    fs::create_directories(folder / "elsewhere");
    fs::create_directories(folder / "linked");
    fs::create_directory_symlink(folder / "elsewhere", folder / "linked" / "bin");
    built("bin\\sonograf.exe", "readme.txt");
    expectRun({"extract", at("pkg.bin"), at("linked")}, PACK_EXIT_USAGE);  // a sound package, a file not written
    EXPECT_FALSE(fs::exists(folder / "elsewhere" / "sonograf.exe"));
    EXPECT_EQ(readme, readFile(folder / "linked" / "readme.txt"));
}

// Links already in the folder: a hard link and a symbolic link at the
// entries' names are replaced by new files, and a hard link at the first
// temporary name is left alone; no file outside the folder changes.
TEST_F(PackTool, ExtractReplacesLinksAtTheNamesInsteadOfWritingThroughThem) {
    built();
    fs::create_directories(folder / "out");
    writeFile(folder / "outside.bin", "outside");
    fs::create_hard_link(folder / "outside.bin", folder / "out" / "sonograf.exe");
    fs::create_hard_link(folder / "outside.bin", folder / "out" / "readme.txt.partial0");
    fs::create_symlink(folder / "outside.bin", folder / "out" / "readme.txt");
    expectRun({"extract", at("pkg.bin"), at("out")}, PACK_EXIT_OK);
    EXPECT_EQ("outside", readFile<std::string>(folder / "outside.bin"));
    EXPECT_EQ(2u, fs::hard_link_count(folder / "outside.bin"));  // and readme.txt.partial0
    EXPECT_EQ(app, readFile(folder / "out" / "sonograf.exe"));
    EXPECT_EQ(readme, readFile(folder / "out" / "readme.txt"));
    EXPECT_FALSE(fs::is_symlink(folder / "out" / "readme.txt"));
    EXPECT_EQ(3, std::distance(fs::directory_iterator(folder / "out"), {}));
}

// Synthetic images are searched in exactly sized copies, so that a read past
// the end is caught by the sanitizer.
std::vector<uint8_t> exactCopy(const SyntheticPe& pe, size_t size) {
    return std::vector<uint8_t>(pe.image.begin(), pe.image.begin() + static_cast<long>(std::min(size, pe.image.size())));
}

int findIn(const SyntheticPe& pe, uint32_t id, size_t* offset, size_t* length, size_t size = SIZE_MAX) {
    const std::vector<uint8_t> copy = exactCopy(pe, size);
    return findPeResource(copy.data(), copy.size(), PE_RT_RCDATA, id, offset, length);
}

int findSignatureIn(const SyntheticPe& pe, PeSignature* signature, size_t size = SIZE_MAX) {
    const std::vector<uint8_t> copy = exactCopy(pe, size);
    return findPeSignature(copy.data(), copy.size(), signature);
}

// Appends a certificate table as signing does and stores the file's checksum.
void signImage(SyntheticPe& pe, uint32_t tableLength) {
    const uint32_t table = static_cast<uint32_t>(pe.image.size());
    pe.image.resize(table + tableLength, 0x5A);
    pe.put32(0x44 + 20 + 96 + 4 * 8, table);
    pe.put32(0x44 + 20 + 96 + 4 * 8 + 4, tableLength);
    PeSignature signature;
    if (findSignatureIn(pe, &signature) == 0) pe.put32(0x44 + 20 + 64, signature.fileChecksum);
}

TEST(PeResource, FindsTheResourceAndRejectsWhatIsNotThere) {
    const std::vector<uint8_t> data = patterned(400, 3);
    SyntheticPe pe(data);
    size_t offset = 0, length = 0;
    ASSERT_EQ(0, findIn(pe, 100, &offset, &length));
    EXPECT_EQ(SyntheticPe::RAW + SyntheticPe::DATA, offset);
    EXPECT_EQ(data.size(), length);

    EXPECT_EQ(PE_NO_RESOURCE, findIn(pe, 101, &offset, &length));
    std::vector<uint8_t> text = {'p', 'k', 'g'};
    EXPECT_EQ(PE_NOT_IMAGE, findPeResource(text.data(), text.size(), PE_RT_RCDATA, 100, &offset, &length));

    SyntheticPe outside(data);
    outside.put32(SyntheticPe::RAW + SyntheticPe::DATA_ENTRY + 4, 401);  // one byte past the section
    EXPECT_EQ(PE_MALFORMED, findIn(outside, 100, &offset, &length));
    SyntheticPe loop(data);
    loop.put32(SyntheticPe::RAW + 0x20 + 20, 0x80000000u);  // id level points back at the root, not at data
    EXPECT_EQ(PE_MALFORMED, findIn(loop, 100, &offset, &length));
}

// Untrusted input: every truncation fails the frame check, and every
// truncation and every single-byte change of the headers and directories
// either fails or yields a range inside the image.
TEST(PeResource, DamagedImagesNeverReadOutside) {
    SyntheticPe pe(patterned(64, 5));
    const size_t unsignedSize = pe.image.size();
    signImage(pe, 24);
    PeSignature signature;
    ASSERT_EQ(0, findSignatureIn(pe, &signature));
    EXPECT_EQ(signature.storedChecksum, signature.fileChecksum) << "the checksum field must not count";
    size_t offset = 0, length = 0;
    EXPECT_EQ(0, checkPeFrame(pe.image.data(), pe.image.size()));
    for (size_t size = 0; size < pe.image.size(); ++size) {
        if (size < unsignedSize) {
            EXPECT_NE(0, findIn(pe, 100, &offset, &length, size)) << "truncated to " << size;
            const std::vector<uint8_t> cut = exactCopy(pe, size);
            EXPECT_NE(0, checkPeFrame(cut.data(), cut.size())) << "truncated to " << size;
        }
        EXPECT_NE(0, findSignatureIn(pe, &signature, size)) << "truncated to " << size;
    }
    for (size_t at = 0; at < SyntheticPe::RAW + SyntheticPe::DATA; ++at) {
        for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0xFF}}) {
            SyntheticPe damaged = pe;
            damaged.image[at] = value;
            checkPeFrame(damaged.image.data(), damaged.image.size());
            if (findIn(damaged, 100, &offset, &length) == 0) {
                EXPECT_LE(offset + length, damaged.image.size()) << "byte " << at << " = " << int(value);
            }
            if (findSignatureIn(damaged, &signature) == 0) {
                EXPECT_LE(signature.offset + signature.length, damaged.image.size()) << "byte " << at;
            }
        }
    }
}

TEST_F(PackTool, ListsAndVerifiesThePackageInsideAnExecutable) {
    const std::vector<uint8_t> package = built();
    SyntheticPe pe(package);
    writeFile(folder / "setup.exe", pe.image);
    expectRun({"verify", at("setup.exe")}, PACK_EXIT_OK, "RCDATA 100 at file offset 624");
    pe.image[624 + 312 + 2500] ^= 0x10;  // a stored byte of entry 0
    writeFile(folder / "setup.exe", pe.image);
    expectRun({"verify", at("setup.exe")}, PACK_EXIT_BROKEN, "entry 0 \"sonograf.exe\": digest mismatch");
    writeFile(folder / "other.exe", SyntheticPe(package, 101).image);
    expectRun({"verify", at("other.exe")}, PACK_EXIT_USAGE, "no RCDATA 100 resource");
}

// Fields of the synthetic image that the damaged installers below change.
const uint32_t PE_MACHINE = 0x44, PE_SECTION_COUNT = 0x46, PE_SECTION_2 = SyntheticPe::OPTIONAL + 224 + 40,
               PE_ENTRY = SyntheticPe::OPTIONAL + 16, PE_ALIGNMENT = SyntheticPe::OPTIONAL + 32,
               PE_IMAGE_SIZE = SyntheticPe::OPTIONAL + 56, PE_IMPORTS = SyntheticPe::OPTIONAL + 96 + 8,
               PE_VIRTUAL_SIZE = SyntheticPe::OPTIONAL + 224 + 8;

// Installers damaged outside their package: list and verify both refuse
// each that Windows would not start, naming the field, and pass the cases
// at the edge that it starts. The package of 5612 bytes makes a section
// ending at 0x265C, so SizeOfImage is 0x3000.
TEST_F(PackTool, ListAndVerifyRefuseAnExecutableWindowsWouldNotStart) {
    const char* const machine = "the executable's machine type is not i386 (PE32) or x86-64 (PE32+)";
    const char* const alignment = "the executable's section alignment is not a power of two";
    const char* const size = "the executable's SizeOfImage is smaller than its headers and sections";
    const char* const entry = "the executable's entry point lies outside its image";
    const char* const imports = "the executable's import directory lies outside its image";
    const struct {
        const char* what;
        void (*damage)(SyntheticPe&);
        const char* refusal;  // null: verify says ok
    } cases[] = {
        {"sound", [](SyntheticPe&) {}, nullptr},
        {"section data one byte short", [](SyntheticPe& p) { p.image.pop_back(); }, "the executable is cut short"},
        {"section data past the end, the package whole",
         [](SyntheticPe& p) { p.put32(SyntheticPe::OPTIONAL + 224 + 16, static_cast<uint32_t>(p.image.size())); },
         "the executable is cut short"},
        {"a second section's data one byte past the end",
         [](SyntheticPe& p) {
             p.put16(PE_SECTION_COUNT, 2);
             p.put32(PE_SECTION_2 + 16, 2), p.put32(PE_SECTION_2 + 20, static_cast<uint32_t>(p.image.size()) - 1);
         },
         "the executable is cut short"},
        {"x86-64 machine with PE32", [](SyntheticPe& p) { p.put16(PE_MACHINE, 0x8664); }, machine},
        {"i386 machine with PE32+", [](SyntheticPe& p) { p.put16(SyntheticPe::OPTIONAL, 0x20B); }, machine},
        {"section alignment 0x1800", [](SyntheticPe& p) { p.put32(PE_ALIGNMENT, 0x1800); }, alignment},
        {"section alignment 0", [](SyntheticPe& p) { p.put32(PE_ALIGNMENT, 0); }, alignment},
        {"SizeOfImage at the unrounded end", [](SyntheticPe& p) { p.put32(PE_IMAGE_SIZE, 0x265C); }, size},
        {"virtual size 0: the raw size counts",
         [](SyntheticPe& p) { p.put32(PE_VIRTUAL_SIZE, 0), p.put32(PE_IMAGE_SIZE, 0x2000); }, size},
        {"virtual size past the raw data", [](SyntheticPe& p) { p.put32(PE_VIRTUAL_SIZE, 0x2001); }, size},
        {"SizeOfImage larger than needed", [](SyntheticPe& p) { p.put32(PE_IMAGE_SIZE, 0x10000); }, nullptr},
        {"entry point at SizeOfImage", [](SyntheticPe& p) { p.put32(PE_ENTRY, 0x3000); }, entry},
        {"entry point at the last byte", [](SyntheticPe& p) { p.put32(PE_ENTRY, 0x2FFF); }, nullptr},
        {"imports one byte past", [](SyntheticPe& p) { p.put32(PE_IMPORTS, 0x2FEC), p.put32(PE_IMPORTS + 4, 21); },
         imports},
        {"imports size wrapping", [](SyntheticPe& p) { p.put32(PE_IMPORTS, 0x2000), p.put32(PE_IMPORTS + 4, ~0u); },
         imports},
        {"imports up to the end", [](SyntheticPe& p) { p.put32(PE_IMPORTS, 0x2FEC), p.put32(PE_IMPORTS + 4, 20); },
         nullptr},
    };
    const std::vector<uint8_t> package = built();
    ASSERT_EQ(5612u, package.size());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SyntheticPe pe(package);
        c.damage(pe);
        writeFile(folder / "setup.exe", pe.image);
        if (c.refusal == nullptr) {
            expectRun({"verify", at("setup.exe")}, PACK_EXIT_OK, "verify: ok");
            continue;
        }
        for (const char* command : {"list", "verify"}) {
            const ToolRun ran = run({command, at("setup.exe")});
            EXPECT_EQ(PACK_EXIT_BROKEN, ran.code);
            EXPECT_EQ("", ran.out);
            EXPECT_EQ(std::string("sonograf-pack ") + command + ": " + c.refusal + ": Windows would not start it\n",
                      ran.err);
        }
    }
}

}  // namespace
