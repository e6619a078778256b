#include "tools/package_check.h"

#include <new>

#include "package/extract_core.h"

namespace {

// The stand-in install folder of a check: short, so no destination is too long.
const char CHECK_FOLDER[] = "check";

uint8_t* acquireBuffer(void*, uint32_t size) { return new (std::nothrow) uint8_t[size]; }

void releaseBuffer(void*, uint8_t* buffer, uint32_t) { delete[] buffer; }

void ignoreFolder(void*, const char*) {}

int acceptWrite(void*, const char*, const uint8_t*, uint32_t) { return 1; }

std::string hexByte(unsigned value) {
    const char digits[] = "0123456789abcdef";
    return std::string(1, digits[(value >> 4) & 15]) + digits[value & 15];
}

}  // namespace

const char ENTRY_NAME_RULE[] =
    "a relative name within 127 characters of '\\'-separated components, none empty, \".\", ending in a dot or "
    "space, or a device name, and without control characters or any of < > : \" / | ? *";

std::string printableText(const char* text, size_t length) {
    std::string shown;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '"') {
            shown += static_cast<char>(c);
        } else {
            shown += "\\x" + hexByte(c);
        }
    }
    return shown;
}

std::string printableText(const std::string& text) { return printableText(text.data(), text.size()); }

std::string digestText(const uint8_t digest[16]) {
    std::string text;
    for (int i = 0; i < 16; ++i) text += hexByte(digest[i]);
    return text;
}

// The name field is untrusted and may lack its NUL.
std::string entryLabel(uint32_t index, const PackageEntry& entry) {
    size_t length = 0;
    while (length < PACKAGE_NAME_SIZE && entry.name[length] != '\0') ++length;
    const std::string name = printableText(entry.name, length);
    return "entry " + std::to_string(index) + " \"" + name +
           (length == PACKAGE_NAME_SIZE ? "...(no NUL in 128 bytes)" : "") + "\"";
}

int runExtraction(const uint8_t* bytes, uint32_t size, const char* folder, const PackageWriter* writer,
                  PackageCheck* report) {
    *report = PackageCheck{};
    report->size = size;
    if (size <= PACKAGE_HEADER_SIZE) {
        report->tooSmall = true;
        report->result = PACKAGE_RESULT_MISSING;
        return report->result;
    }
    uint8_t header[PACKAGE_HEADER_SIZE] = {};
    unsigned outcomes[PACKAGE_ENTRY_COUNT] = {};
    report->result = extractPackageBytes(bytes, size, header, folder, nullptr, writer, outcomes);
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        readPackageEntry(header, i, &report->entries[i].entry);
        report->entries[i].problems = outcomes[i];
    }
    if (report->result == PACKAGE_RESULT_MISSING) report->entries[PACKAGE_ENTRY_COUNT - 1].problems |= ENTRY_EMPTY_LAST;
    return report->result;
}

int checkPackage(const uint8_t* bytes, uint32_t size, PackageCheck* report) {
    const PackageWriter writer = {nullptr, acquireBuffer, releaseBuffer, ignoreFolder, acceptWrite};
    return runExtraction(bytes, size, CHECK_FOLDER, &writer, report);
}

std::vector<std::string> describeProblems(const PackageCheck& report) {
    std::vector<std::string> messages;
    if (report.tooSmall) {
        messages.push_back("package of " + std::to_string(report.size) + " bytes: it must be larger than the " +
                           std::to_string(PACKAGE_HEADER_SIZE) + "-byte header");
        return messages;
    }
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        const EntryCheck& check = report.entries[i];
        const PackageEntry& entry = check.entry;
        const std::string label = entryLabel(i, entry);
        if (check.problems & ENTRY_OUT_OF_BOUNDS)
            messages.push_back(label + ": out of bounds: offset " + std::to_string(entry.offset) + " + size " +
                               std::to_string(entry.size) + " ends past the package's " +
                               std::to_string(report.size) + " bytes");
        if (check.problems & ENTRY_UNSAFE_NAME)
            messages.push_back(label + ": unsafe name: it must be " + ENTRY_NAME_RULE);
        if (check.problems & ENTRY_SAME_FILE)
            messages.push_back(label + ": same file as an earlier entry: names that differ only in case (or in "
                                       "bytes above 0x7F) write one file");
        if (check.problems & ENTRY_NO_BUFFER)
            messages.push_back(label + ": out of memory for its decode buffer: its digest was not checked");
        if (check.problems & ENTRY_DIGEST_MISMATCH) {
            std::string message = label + ": digest mismatch: the decoded bytes do not match the header's MD5 " +
                                  digestText(entry.digest);
            // A damaged earlier entry changes the key this one is decoded with.
            if (i > 0 && (report.entries[i - 1].problems & ENTRY_DIGEST_MISMATCH))
                message += " (its key derives from entry " + std::to_string(i - 1) + "'s stored bytes)";
            messages.push_back(message);
        }
        if (check.problems & ENTRY_NOT_WRITTEN) messages.push_back(label + ": could not be written");
        if (check.problems & ENTRY_EMPTY_LAST)
            messages.push_back(label + ": empty last entry: the installer counts a last entry of size 0 as a failure");
    }
    return messages;
}
