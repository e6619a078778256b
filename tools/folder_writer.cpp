#include "tools/folder_writer.h"

#include <filesystem>
#include <fstream>
#include <new>

#include "package/extract_core.h"

namespace fs = std::filesystem;

namespace {

// The core joins this stand-in folder with each entry name; the writer maps
// the joined text onto the real folder, whatever its separator.
const char STAND_IN_FOLDER[] = ".";

struct Destination {
    fs::path root;
    std::vector<std::string>* written;
};

bool componentClimbs(const std::string& component) {
    return component != "." && component.find_first_not_of(". ") == std::string::npos;
}

// Maps ".\a\b" onto root/a/b. False when the text is not below the stand-in,
// a component could climb or name a drive or stream, or a component that
// already exists is a symbolic link.
bool mapPath(const Destination& destination, const std::string& text, fs::path* mapped) {
    const std::string prefix = std::string(STAND_IN_FOLDER) + "\\";
    if (text.compare(0, prefix.size(), prefix) != 0) return false;
    fs::path path = destination.root;
    size_t start = prefix.size();
    while (start <= text.size()) {
        size_t end = text.find_first_of("\\/", start);
        if (end == std::string::npos) end = text.size();
        const std::string component = text.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".") continue;
        if (componentClimbs(component) || component.find(':') != std::string::npos) return false;
        path /= component;
        std::error_code ignored;
        if (fs::is_symlink(fs::symlink_status(path, ignored))) return false;
    }
    if (path == destination.root) return false;
    *mapped = path;
    return true;
}

uint8_t* acquireBuffer(void*, uint32_t size) { return new (std::nothrow) uint8_t[size]; }

void releaseBuffer(void*, uint8_t* buffer, uint32_t) { delete[] buffer; }

void createFolderChain(void* context, const char* folder) {
    fs::path mapped;
    if (!mapPath(*static_cast<Destination*>(context), folder, &mapped)) return;
    std::error_code ignored;
    fs::create_directories(mapped, ignored);
}

int writeWholeFile(void* context, const char* path, const uint8_t* bytes, uint32_t size) {
    Destination* destination = static_cast<Destination*>(context);
    fs::path mapped;
    if (!mapPath(*destination, path, &mapped)) return 0;
    std::ofstream out(mapped, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    out.close();
    if (!out) return 0;
    destination->written->push_back(mapped.string());
    return 1;
}

}  // namespace

int extractToFolder(const uint8_t* bytes, uint32_t size, const std::string& folder,
                    std::vector<std::string>* written) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder, error)) return EXTRACT_FOLDER_FAILED;
    Destination destination = {fs::path(folder), written};
    const PackageWriter writer = {&destination, acquireBuffer, releaseBuffer, createFolderChain, writeWholeFile};
    uint8_t header[PACKAGE_HEADER_SIZE] = {};
    return extractPackageBytes(bytes, size, header, STAND_IN_FOLDER, nullptr, &writer);
}
