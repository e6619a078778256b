// Extracts a package into a folder through the installer's extraction core.
//   extractToFolder(bytes, size, folder, &written)
// Creates the folder when missing and writes each verified entry below it,
// never outside: besides the core's name rule, every path is checked again
// component by component here, and no existing symbolic link is followed.
// Returns the extraction result (0, -1, -100 - failed entries), or
// EXTRACT_FOLDER_FAILED when the folder cannot be created; `written` lists
// the files written.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

const int EXTRACT_FOLDER_FAILED = -2;

int extractToFolder(const uint8_t* bytes, uint32_t size, const std::string& folder,
                    std::vector<std::string>* written);
