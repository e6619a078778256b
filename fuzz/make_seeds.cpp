// Writes the fuzzers' seeds into the two folders given as arguments: small
// well-formed packages (plain, subfolder name, empty last entry, one byte
// past the end) whose every path through the extraction the fuzzer then
// mutates from, and small executables carrying such a package as RCDATA 100
// for the PE resource reader.
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/synthetic_pe.h"
#include "package/package_builder.h"

namespace {

std::vector<uint8_t> package(const char* name0, size_t size0, const char* name1, size_t size1) {
    std::vector<uint8_t> a(size0), b(size1);
    for (size_t i = 0; i < size0; ++i) a[i] = static_cast<uint8_t>(i * 7 + 1);
    for (size_t i = 0; i < size1; ++i) b[i] = static_cast<uint8_t>('a' + i % 26);
    const PackageFile files[2] = {{name0, a.data(), static_cast<uint32_t>(size0)},
                                  {name1, b.data(), static_cast<uint32_t>(size1)}};
    std::vector<uint8_t> out(packageBuildSize(files));
    if (buildPackage(files, out.data(), static_cast<uint32_t>(out.size())) != 0) out.clear();
    return out;
}

int save(const std::string& folder, const char* name, const std::vector<uint8_t>& bytes) {
    const std::string path = folder + "/" + name;
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return -1;
    const size_t written = fwrite(bytes.data(), 1, bytes.size(), file);
    return fclose(file) == 0 && written == bytes.size() ? 0 : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: make_seeds PACKAGE_FOLDER EXECUTABLE_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1], executables = argv[2];
    std::vector<uint8_t> truncated = package("sonograf.exe", 64, "readme.txt", 20);
    truncated.pop_back();
    int failed = 0;
    failed |= save(folder, "plain.bin", package("sonograf.exe", 200, "readme.txt", 40));
    failed |= save(folder, "subfolder.bin", package("sonograf.exe", 30, "docs\\readme.txt", 12));
    failed |= save(folder, "empty_last.bin", package("sonograf.exe", 50, "readme.txt", 0));
    failed |= save(folder, "truncated.bin", truncated);
    failed |= save(executables, "package.exe", SyntheticPe(package("sonograf.exe", 200, "readme.txt", 40)).image);
    failed |= save(executables, "icon.exe", SyntheticPe(std::vector<uint8_t>(40, 7), 1).image);
    if (failed != 0) fprintf(stderr, "make_seeds: cannot write the seeds\n");
    return failed != 0 ? 1 : 0;
}
