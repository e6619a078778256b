// Extracts a package into a folder through the installer's extraction core.
//   extractToFolder(bytes, size, folder, &extraction)
// Creates the folder when missing and writes each verified entry below it,
// never outside: besides the core's name rule, every path is checked again
// component by component here, and no existing symbolic link, junction or
// other reparse point is followed. Each file is written under a new
// temporary name beside its own and renamed over it, so a file, hard link or
// link already at the name is replaced, never written through; a file that
// cannot be written whole leaves nothing of itself.
// Returns the extraction result (0, -1, -100 - failed entries), or
// EXTRACT_FOLDER_FAILED when the folder cannot be created; `extraction`
// lists the files written and those that could not be, and each entry's
// verdict from the same run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/package_check.h"

const int EXTRACT_FOLDER_FAILED = -2;

struct FolderExtraction {
    std::vector<std::string> written;
    std::vector<std::string> notWritten;  // nothing of them is left on disk
    PackageCheck check;
};

int extractToFolder(const uint8_t* bytes, uint32_t size, const std::string& folder, FolderExtraction* extraction);
