#include "tools/package_check.h"

#include <new>

#include "core/bytes.h"
#include "package/extract_core.h"
#include "platform/text.h"

namespace {

// The extraction core only reports how many entries failed. To learn which,
// it runs over a copy whose safe names are replaced by these markers (names
// play no part in decoding), and the writer records which marker arrives.
const char CHECK_FOLDER[] = "check";
const char* const ENTRY_MARKERS[PACKAGE_ENTRY_COUNT] = {"entry0", "entry1"};

struct Recorder {
    bool written[PACKAGE_ENTRY_COUNT];
    bool outOfMemory;
};

uint8_t* acquireBuffer(void* context, uint32_t size) {
    uint8_t* buffer = new (std::nothrow) uint8_t[size];
    if (buffer == nullptr) static_cast<Recorder*>(context)->outOfMemory = true;
    return buffer;
}

void releaseBuffer(void*, uint8_t* buffer, uint32_t) { delete[] buffer; }

void ignoreFolder(void*, const char*) {}

int recordWrite(void* context, const char* path, const uint8_t*, uint32_t) {
    Recorder* recorder = static_cast<Recorder*>(context);
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        char expected[64];
        if (textJoin(expected, sizeof expected, CHECK_FOLDER, ENTRY_MARKERS[i]) == 0 && textEqual(path, expected))
            recorder->written[i] = true;
    }
    return 1;
}

std::string hexByte(unsigned value) {
    const char digits[] = "0123456789abcdef";
    return std::string(1, digits[(value >> 4) & 15]) + digits[value & 15];
}

// The name field as text a terminal can show; it is untrusted and may lack its NUL.
std::string printableName(const char name[PACKAGE_NAME_SIZE]) {
    std::string text;
    uint32_t i = 0;
    for (; i < PACKAGE_NAME_SIZE && name[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c >= 0x20 && c < 0x7F && c != '"') {
            text += static_cast<char>(c);
        } else {
            text += "\\x" + hexByte(c);
        }
    }
    return i == PACKAGE_NAME_SIZE ? text + "...(no NUL in 128 bytes)" : text;
}

}  // namespace

const char ENTRY_NAME_RULE[] = "a relative name within 127 characters, without ':' or a '..' component";

std::string digestText(const uint8_t digest[16]) {
    std::string text;
    for (int i = 0; i < 16; ++i) text += hexByte(digest[i]);
    return text;
}

std::string entryLabel(uint32_t index, const PackageEntry& entry) {
    return "entry " + std::to_string(index) + " \"" + printableName(entry.name) + "\"";
}

int checkPackage(const uint8_t* bytes, uint32_t size, PackageCheck* report) {
    *report = PackageCheck{};
    report->size = size;
    if (size <= PACKAGE_HEADER_SIZE) {
        report->tooSmall = true;
        report->result = PACKAGE_RESULT_MISSING;
        return report->result;
    }

    std::vector<uint8_t> copy(bytes, bytes + size);
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        EntryCheck* check = &report->entries[i];
        readPackageEntry(bytes, i, &check->entry);
        if (static_cast<uint64_t>(check->entry.offset) + check->entry.size > size)
            check->problems |= ENTRY_OUT_OF_BOUNDS;
        if (!packageNameIsSafe(check->entry.name)) {
            check->problems |= ENTRY_UNSAFE_NAME;
            continue;
        }
        PackageEntry marked = check->entry;
        zeroBytes(marked.name, PACKAGE_NAME_SIZE);
        textCopy(marked.name, PACKAGE_NAME_SIZE, ENTRY_MARKERS[i]);
        writePackageEntry(copy.data(), i, &marked);
    }

    Recorder recorder = {};
    const PackageWriter writer = {&recorder, acquireBuffer, releaseBuffer, ignoreFolder, recordWrite};
    uint8_t header[PACKAGE_HEADER_SIZE] = {};
    report->result = extractPackageBytes(copy.data(), size, header, CHECK_FOLDER, nullptr, &writer);

    // Without a decode buffer an entry fails for want of memory, and which
    // entry that was is unknown: only the bounds and names are then judged.
    report->outOfMemory = recorder.outOfMemory;
    for (uint32_t i = 0; i < PACKAGE_ENTRY_COUNT && !report->outOfMemory; ++i) {
        EntryCheck* check = &report->entries[i];
        if (check->problems == 0 && !recorder.written[i]) check->problems |= ENTRY_DIGEST_MISMATCH;
    }
    if (report->result == PACKAGE_RESULT_MISSING) report->entries[PACKAGE_ENTRY_COUNT - 1].problems |= ENTRY_EMPTY_LAST;
    return report->result;
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
        if (check.problems & ENTRY_DIGEST_MISMATCH) {
            std::string message = label + ": digest mismatch: the decoded bytes do not match the header's MD5 " +
                                  digestText(entry.digest);
            // A damaged earlier entry changes the key this one is decoded with.
            if (i > 0 && (report.entries[i - 1].problems & ENTRY_DIGEST_MISMATCH))
                message += " (its key derives from entry " + std::to_string(i - 1) + "'s stored bytes)";
            messages.push_back(message);
        }
        if (check.problems & ENTRY_EMPTY_LAST)
            messages.push_back(label + ": empty last entry: the installer counts a last entry of size 0 as a failure");
    }
    if (report.outOfMemory) messages.push_back("out of memory for a decode buffer: the digests were not all checked");
    return messages;
}
