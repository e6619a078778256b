#include "tools/folder_writer.h"

#include <filesystem>
#include <new>
#include <string>

#include "package/package_format.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
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
// a component could climb or name a drive or stream, or a folder on the way
// already exists as a link; the mapped path is then still given, for the
// message. A link at the last component is the caller's to judge.
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
        *mapped /= text.substr(start, end - start);
        start = end + 1;
        if (start <= text.size()) safe = safe && !isLink(*mapped);
    }
    return safe;
}

// Outcomes of creating a file that must be new.
const int CREATED = 0;
const int NAME_TAKEN = 1;
const int NOT_CREATED = -1;

// Creates `path` only where nothing is (no link at it is followed) and writes
// the bytes; a file made but not written whole is removed again.
#ifdef _WIN32
int createNewFile(const fs::path& path, const uint8_t* bytes, uint32_t size) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS ? NAME_TAKEN : NOT_CREATED;
    DWORD written = 0;
    const bool whole = WriteFile(file, bytes, size, &written, nullptr) && written == size;
    if (CloseHandle(file) && whole) return CREATED;
    DeleteFileW(path.c_str());
    return NOT_CREATED;
}

bool replaceWith(const fs::path& from, const fs::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}
#else
int createNewFile(const fs::path& path, const uint8_t* bytes, uint32_t size) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (file < 0) return errno == EEXIST ? NAME_TAKEN : NOT_CREATED;
    uint32_t done = 0;
    while (done < size) {
        const ssize_t wrote = ::write(file, bytes + done, size - done);
        if (wrote <= 0) break;
        done += static_cast<uint32_t>(wrote);
    }
    if (::close(file) == 0 && done == size) return CREATED;
    ::unlink(path.c_str());
    return NOT_CREATED;
}

bool replaceWith(const fs::path& from, const fs::path& to) { return ::rename(from.c_str(), to.c_str()) == 0; }
#endif

// How many temporary names beside a file are tried before its write fails.
const int TEMPORARY_NAMES = 16;

// Writes a new file under a free temporary name beside `path` and renames
// it over `path`: whatever is at the name (a file, a hard link or a symbolic
// link to a file elsewhere) is replaced, never written through, and nothing
// already in the folder is opened. Fails, leaving nothing of its own, when
// the write or the rename fails (a full disk, a folder at the name).
bool writeWhole(const fs::path& path, const uint8_t* bytes, uint32_t size) {
    for (int attempt = 0; attempt < TEMPORARY_NAMES; ++attempt) {
        fs::path temporary = path;
        temporary += ".partial" + std::to_string(attempt);
        const int created = createNewFile(temporary, bytes, size);
        if (created == NAME_TAKEN) continue;
        if (created != CREATED) return false;
        if (replaceWith(temporary, path)) return true;
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return false;
}

uint8_t* acquireBuffer(void*, uint32_t size) { return new (std::nothrow) uint8_t[size]; }

void releaseBuffer(void*, uint8_t* buffer, uint32_t) { delete[] buffer; }

// A folder is never made through a link, nor is a link taken for it.
void createFolderChain(void* context, const char* folder) {
    fs::path mapped;
    if (!mapPath(*static_cast<Destination*>(context), folder, &mapped) || isLink(mapped)) return;
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
