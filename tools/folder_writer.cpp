#include "tools/folder_writer.h"

#include <filesystem>
#include <fstream>
#include <new>

#include "package/package_format.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

// The core joins this stand-in folder with each entry name; the writer maps
// the joined text onto the real folder.
const char STAND_IN_FOLDER[] = ".";

struct Destination {
    fs::path root;
    FolderExtraction* extraction;
};

// A link of any kind: on Windows every reparse point (symbolic link,
// junction, mount point), which MinGW's symlink_status does not report.
bool isLink(const fs::path& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
    std::error_code ignored;
    return fs::is_symlink(fs::symlink_status(path, ignored));
#endif
}

// Maps ".\a\b" onto root/a/b. False when the text is not below the stand-in,
// a component could climb or name a drive or stream, or a component that
// already exists is a link; the mapped path is then still given, for the
// message.
bool mapPath(const Destination& destination, const std::string& text, fs::path* mapped) {
    *mapped = destination.root;
    const std::string prefix = std::string(STAND_IN_FOLDER) + "\\";
    if (text.compare(0, prefix.size(), prefix) != 0) return false;
    // The same rule the extraction applies to the name, so nothing escapes the root.
    bool safe = packageNameIsSafe(text.c_str() + prefix.size()) == 1;
    size_t start = prefix.size();
    while (start <= text.size()) {
        size_t end = text.find('\\', start);
        if (end == std::string::npos) end = text.size();
        const std::string component = text.substr(start, end - start);
        start = end + 1;
        *mapped /= component;
        safe = safe && !isLink(*mapped);
    }
    return safe;
}

// Writes the file whole; a file this call created or cut short is removed
// again when the write fails (a full disk, a size limit).
bool writeWhole(const fs::path& path, const uint8_t* bytes, uint32_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    out.close();
    if (out) return true;
    std::error_code ignored;
    fs::remove(path, ignored);
    return false;
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
    const bool written = mapPath(*destination, path, &mapped) && writeWhole(mapped, bytes, size);
    (written ? destination->extraction->written : destination->extraction->notWritten).push_back(mapped.string());
    return written ? 1 : 0;
}

}  // namespace

int extractToFolder(const uint8_t* bytes, uint32_t size, const std::string& folder, FolderExtraction* extraction) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder, error)) return EXTRACT_FOLDER_FAILED;
    Destination destination = {fs::path(folder), extraction};
    const PackageWriter writer = {&destination, acquireBuffer, releaseBuffer, createFolderChain, writeWholeFile};
    return runExtraction(bytes, size, STAND_IN_FOLDER, &writer, &extraction->check);
}
