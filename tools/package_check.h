// Judges a package the way the installer's extraction sees it and says, for
// each entry, which rule it breaks. Every verdict comes from one run of the
// extraction core over the very bytes the installer reads.
//   checkPackage(bytes, size, &report): runs the core with a writer that
//     writes nothing and fills the report; returns report.result.
//   runExtraction(bytes, size, folder, writer, &report): the same run through
//     any writer (extract's writes files below `folder`).
//   describeProblems(report): one message per broken rule, naming the entry
//     and the rule; empty when the package extracts cleanly.
//   printableText / entryLabel / digestText: how the tool prints untrusted
//     text, an entry and a digest.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "package/extract_core.h"
#include "package/package_format.h"

// Besides the core's ENTRY_* reasons: the installer counts an empty last
// entry as a failure.
const unsigned ENTRY_EMPTY_LAST = 0x100;

struct EntryCheck {
    PackageEntry entry;
    unsigned problems;
};

struct PackageCheck {
    uint32_t size;
    bool tooSmall;  // 312 bytes or less: the installer refuses the header
    int result;     // what the installer's extraction returns for this package
    EntryCheck entries[PACKAGE_ENTRY_COUNT];
};

// What a safe entry name is, in the words of the tool's messages.
extern const char ENTRY_NAME_RULE[];

int checkPackage(const uint8_t* bytes, uint32_t size, PackageCheck* report);
int runExtraction(const uint8_t* bytes, uint32_t size, const char* folder, const PackageWriter* writer,
                  PackageCheck* report);
std::vector<std::string> describeProblems(const PackageCheck& report);
// Any bytes as one line a terminal shows as they are: printable ASCII stays,
// everything else (and '"') becomes \xNN.
std::string printableText(const char* text, size_t length);
std::string printableText(const std::string& text);
std::string entryLabel(uint32_t index, const PackageEntry& entry);
std::string digestText(const uint8_t digest[16]);
