#include "tools/package_source.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "package/package_format.h"
#include "tools/package_check.h"
#include "tools/pe_resource.h"

namespace {

// A folder opens as a file on some systems and then fails to read: it is
// refused up front with a message of its own.
bool isFolder(const std::string& path, std::string* error) {
    std::error_code ignored;
    if (!std::filesystem::is_directory(path, ignored)) return false;
    *error = printableText(path) + " is a folder, not a file";
    return true;
}

}  // namespace

int readFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    if (isFolder(path, error)) return -1;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        *error = "cannot open " + printableText(path);
        return -1;
    }
    bytes->clear();
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) {
        *error = "cannot read " + printableText(path);
        return -1;
    }
    return 0;
}

int writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    if (isFolder(path, error)) return -1;
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            *error = "cannot write " + printableText(temporary);
            return -1;
        }
    }
    // std::rename does not replace an existing file on Windows.
    std::remove(path.c_str());
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        *error = "cannot rename " + printableText(temporary) + " to " + printableText(path);
        return -1;
    }
    return 0;
}

int locatePackage(const std::vector<uint8_t>& file, PackageLocation* location, std::string* error) {
    size_t offset = 0;
    size_t length = file.size();
    const int found = findPeResource(file.data(), file.size(), PE_RT_RCDATA, PACKAGE_RESOURCE_ID, &offset, &length);
    if (found == PE_NO_RESOURCE) {
        *error = "the executable has no RCDATA 100 resource";
        return -1;
    }
    if (found == PE_MALFORMED) {
        *error = "malformed executable: a header or resource entry points outside the file";
        return -1;
    }
    // Anything that is not a PE image is taken as a package file.
    if (found == PE_NOT_IMAGE) offset = 0;
    if (length > 0xFFFFFFFFu) {
        *error = "the package is larger than 4 GiB";
        return -1;
    }
    location->bytes = file.data() + offset;
    location->size = static_cast<uint32_t>(length);
    location->inExecutable = found == 0;
    location->fileOffset = offset;
    return 0;
}
