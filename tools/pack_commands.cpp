#include "tools/pack_commands.h"

#include <iomanip>
#include <sstream>

#include "package/package_builder.h"
#include "tools/folder_writer.h"
#include "tools/package_check.h"
#include "tools/package_source.h"
#include "tools/pe_resource.h"

namespace {

const char TOOL[] = "sonograf-pack";
const char* const DEFAULT_NAMES[PACKAGE_ENTRY_COUNT] = {"sonograf.exe", "readme.txt"};

const char USAGE[] =
    "usage: sonograf-pack build OUT APP README [APP_NAME README_NAME]\n"
    "       sonograf-pack list FILE\n"
    "       sonograf-pack verify FILE\n"
    "       sonograf-pack extract FILE DIR\n"
    "FILE is a package file or an installer .exe that carries it as RCDATA 100.\n";

int fail(std::ostream& err, const std::string& command, const std::string& message, int code) {
    err << TOOL << ' ' << command << ": " << message << '\n';
    return code;
}

bool nameFits(const std::string& name) {
    if (name.size() >= PACKAGE_NAME_SIZE || name.find('\0') != std::string::npos) return false;
    char field[PACKAGE_NAME_SIZE] = {};
    name.copy(field, name.size());
    return packageNameIsSafe(field) == 1;
}

int reportProblems(std::ostream& err, const std::string& command, const PackageCheck& check) {
    for (const std::string& message : describeProblems(check)) err << TOOL << ' ' << command << ": " << message << '\n';
    return PACK_EXIT_BROKEN;
}

int build(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 4 && args.size() != 6)
        return fail(err, "build", "expects OUT APP README [APP_NAME README_NAME]", PACK_EXIT_USAGE);
    std::vector<uint8_t> contents[PACKAGE_ENTRY_COUNT];
    std::string names[PACKAGE_ENTRY_COUNT];
    PackageFile files[PACKAGE_ENTRY_COUNT];
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        names[i] = args.size() == 6 ? args[4 + i] : DEFAULT_NAMES[i];
        const std::string refused =
            "refused entry " + std::to_string(i) + " name \"" + printableText(names[i]) + "\": ";
        if (!nameFits(names[i])) return fail(err, "build", refused + "it must be " + ENTRY_NAME_RULE, PACK_EXIT_BROKEN);
        for (uint32_t earlier = 0; earlier < i; ++earlier) {
            if (packageNamesNameOneFile(names[earlier].c_str(), names[i].c_str()))
                return fail(err, "build", refused + "it names the same file as entry " + std::to_string(earlier),
                            PACK_EXIT_BROKEN);
        }
        std::string error;
        if (readFileBytes(args[2 + i], &contents[i], &error) != 0) return fail(err, "build", error, PACK_EXIT_USAGE);
        if (contents[i].size() > 0xFFFFFFFFu)
            return fail(err, "build", printableText(args[2 + i]) + " is larger than 4 GiB", PACK_EXIT_USAGE);
        files[i] = {names[i].c_str(), contents[i].data(), static_cast<uint32_t>(contents[i].size())};
    }
    const uint32_t size = packageBuildSize(files);
    if (size == 0) return fail(err, "build", "the files do not fit in a package of 4 GiB", PACK_EXIT_USAGE);
    std::vector<uint8_t> package(size);
    if (buildPackage(files, package.data(), size) != 0)
        return fail(err, "build", "the package could not be built", PACK_EXIT_BROKEN);

    // The package is checked the way the installer will read it before it is written.
    PackageCheck check;
    if (checkPackage(package.data(), size, &check) != 0) return reportProblems(err, "build", check);
    std::string error;
    if (writeFileBytes(args[1], package, &error) != 0) return fail(err, "build", error, PACK_EXIT_USAGE);
    out << "wrote " << printableText(args[1]) << ": " << size << " bytes\n";
    return PACK_EXIT_OK;
}

// Why Windows would not start an executable, for each refusal of checkPeFrame;
// null for the other results (a package file, or a malformed image that the
// package lookup names).
const char* frameRefusal(int frame) {
    switch (frame) {
    case PE_CUT_SHORT: return "the executable is cut short";
    case PE_WRONG_MACHINE: return "the executable's machine type is not i386 (PE32) or x86-64 (PE32+)";
    case PE_BAD_ALIGNMENT: return "the executable's section alignment is not a power of two";
    case PE_IMAGE_TOO_SMALL: return "the executable's SizeOfImage is smaller than its headers and sections";
    case PE_ENTRY_OUTSIDE: return "the executable's entry point lies outside its image";
    case PE_IMPORTS_OUTSIDE: return "the executable's import directory lies outside its image";
    default: return nullptr;
    }
}

// Reads FILE and finds the package in it; with `wholeFrame`, an executable
// must also be one Windows would start.
// Returns the exit code of a failure, its message already out, or PACK_EXIT_OK.
int loadPackage(const std::string& command, const std::string& path, bool wholeFrame, std::vector<uint8_t>* file,
                PackageLocation* location, std::ostream& err) {
    std::string error;
    if (readFileBytes(path, file, &error) != 0) return fail(err, command, error, PACK_EXIT_USAGE);
    const char* refusal = wholeFrame ? frameRefusal(checkPeFrame(file->data(), file->size())) : nullptr;
    if (refusal != nullptr) return fail(err, command, std::string(refusal) + ": Windows would not start it",
                                        PACK_EXIT_BROKEN);
    if (locatePackage(*file, location, &error) != 0) return fail(err, command, error, PACK_EXIT_USAGE);
    return PACK_EXIT_OK;
}

void describeSource(std::ostream& out, const std::string& path, const PackageLocation& location) {
    out << printableText(path) << ": package of " << location.size << " bytes";
    if (location.inExecutable) out << " (RCDATA 100 at file offset " << location.fileOffset << ")";
    out << '\n';
}

int list(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) return fail(err, "list", "expects FILE", PACK_EXIT_USAGE);
    std::vector<uint8_t> file;
    PackageLocation location;
    const int loaded = loadPackage("list", args[1], true, &file, &location, err);
    if (loaded != PACK_EXIT_OK) return loaded;
    describeSource(out, args[1], location);
    if (location.size <= PACKAGE_HEADER_SIZE)
        return fail(err, "list", "no room for the 312-byte header and entries", PACK_EXIT_BROKEN);
    PackageCheck check;
    checkPackage(location.bytes, location.size, &check);
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        const PackageEntry& entry = check.entries[i].entry;
        std::ostringstream reserved;
        reserved << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << entry.reserved;
        out << entryLabel(i, entry) << ": offset " << entry.offset << ", size " << entry.size << ", end "
            << static_cast<uint64_t>(entry.offset) + entry.size << ", digest " << digestText(entry.digest)
            << ", reserved " << reserved.str() << (check.entries[i].problems == 0 ? ", ok" : ", broken (see verify)")
            << '\n';
    }
    return PACK_EXIT_OK;
}

// Says whether an installer is signed. Signing stores the file's checksum, so
// a signed file whose bytes no longer add up to it changed after signing.
int reportSignature(const std::vector<uint8_t>& file, std::ostream& out, std::ostream& err) {
    PeSignature signature;
    const int found = findPeSignature(file.data(), file.size(), &signature);
    if (found == PE_NO_SIGNATURE) {
        out << "signature: none\n";
        return PACK_EXIT_OK;
    }
    if (found != 0) return fail(err, "verify", "the certificate table lies outside the file", PACK_EXIT_BROKEN);
    out << "signature: Authenticode, " << signature.length << " bytes at file offset " << signature.offset << '\n';
    if (signature.storedChecksum != 0 && signature.storedChecksum != signature.fileChecksum)
        return fail(err, "verify", "the file does not match its checksum: it changed after it was signed",
                    PACK_EXIT_BROKEN);
    return PACK_EXIT_OK;
}

int verify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) return fail(err, "verify", "expects FILE", PACK_EXIT_USAGE);
    std::vector<uint8_t> file;
    PackageLocation location;
    const int loaded = loadPackage("verify", args[1], true, &file, &location, err);
    if (loaded != PACK_EXIT_OK) return loaded;
    describeSource(out, args[1], location);
    PackageCheck check;
    if (checkPackage(location.bytes, location.size, &check) != 0) return reportProblems(err, "verify", check);
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i)
        out << entryLabel(i, check.entries[i].entry) << ": " << check.entries[i].entry.size << " bytes, digest ok\n";
    if (location.inExecutable && reportSignature(file, out, err) != PACK_EXIT_OK) return PACK_EXIT_BROKEN;
    out << "verify: ok\n";
    return PACK_EXIT_OK;
}

int extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 3) return fail(err, "extract", "expects FILE DIR", PACK_EXIT_USAGE);
    std::vector<uint8_t> file;
    PackageLocation location;
    const int loaded = loadPackage("extract", args[1], false, &file, &location, err);
    if (loaded != PACK_EXIT_OK) return loaded;
    FolderExtraction extraction;
    const int result = extractToFolder(location.bytes, location.size, args[2], &extraction);
    if (result == EXTRACT_FOLDER_FAILED)
        return fail(err, "extract", "cannot create folder " + printableText(args[2]), PACK_EXIT_USAGE);
    for (const std::string& path : extraction.written) out << "wrote " << printableText(path) << '\n';
    for (const std::string& path : extraction.notWritten)
        fail(err, "extract", "cannot write " + printableText(path) + " (nothing of it is left)", PACK_EXIT_USAGE);
    if (result == 0) return PACK_EXIT_OK;
    // A package whose entries all verified failed only for want of a writable destination.
    bool onlyUnwritten = !extraction.check.tooSmall;
    for (const EntryCheck& entry : extraction.check.entries)
        onlyUnwritten = onlyUnwritten && (entry.problems & ~ENTRY_NOT_WRITTEN) == 0;
    reportProblems(err, "extract", extraction.check);
    return onlyUnwritten ? PACK_EXIT_USAGE : PACK_EXIT_BROKEN;
}

}  // namespace

int runPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty()) {
        if (args[0] == "build") return build(args, out, err);
        if (args[0] == "list") return list(args, out, err);
        if (args[0] == "verify") return verify(args, out, err);
        if (args[0] == "extract") return extract(args, out, err);
    }
    err << USAGE;
    return PACK_EXIT_USAGE;
}
