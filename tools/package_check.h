// Checks a package the way the installer's extraction sees it and says, for
// each entry, which rule it breaks.
//   checkPackage(bytes, size, &report): runs the extraction core over the
//     package (nothing is written) and fills the report; returns report.result.
//   describeProblems(report): one message per broken rule, naming the entry
//     and the rule; empty when the package extracts cleanly.
//   entryLabel / digestText: how the tool prints an entry and a digest.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "package/package_format.h"

// Rules an entry can break (bit flags: an entry can break several).
const unsigned ENTRY_OUT_OF_BOUNDS = 1;
const unsigned ENTRY_UNSAFE_NAME = 2;
const unsigned ENTRY_DIGEST_MISMATCH = 4;
const unsigned ENTRY_EMPTY_LAST = 8;

struct EntryCheck {
    PackageEntry entry;
    unsigned problems;
};

struct PackageCheck {
    uint32_t size;
    bool tooSmall;     // 312 bytes or less: the installer refuses the header
    bool outOfMemory;  // a decode buffer could not be had: digests not all judged
    int result;     // what the installer's extraction returns for this package
    EntryCheck entries[PACKAGE_ENTRY_COUNT];
};

// What a safe entry name is, in the words of the tool's messages.
extern const char ENTRY_NAME_RULE[];

int checkPackage(const uint8_t* bytes, uint32_t size, PackageCheck* report);
std::vector<std::string> describeProblems(const PackageCheck& report);
std::string entryLabel(uint32_t index, const PackageEntry& entry);
std::string digestText(const uint8_t digest[16]);
