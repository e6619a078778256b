// Files the package tool reads and writes, and where the package lies in
// them: a package file as `build` writes it, or an installer .exe that
// carries it as RCDATA 100.
//   readFileBytes / writeFileBytes: whole files; writeFileBytes writes a
//     temporary beside the target and renames it, so a failed build never
//     leaves a half-written package that looks newer than its inputs.
//   locatePackage: the package bytes within a file's bytes.
// Each returns 0, or -1 with a message in *error.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PackageLocation {
    const uint8_t* bytes;
    uint32_t size;
    bool inExecutable;  // found as RCDATA 100 of a PE image
    size_t fileOffset;  // where the package starts in the file
};

int readFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);
int writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);
int locatePackage(const std::vector<uint8_t>& file, PackageLocation* location, std::string* error);
